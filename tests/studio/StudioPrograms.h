#pragma once
// Runs the built programs (the studio, the command-line tool) from a test, with the test
// build's modules.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace duovis::studiotest {

struct Outcome {
    int exitCode;
    QString err;
};

inline Outcome runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

inline QProcessEnvironment studioEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DUOVIS_PLUGIN_DIR"), QStringLiteral(DUOVIS_PLUGIN_DIR));
    return env;
}

}  // namespace duovis::studiotest
