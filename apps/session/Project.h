#pragma once
// A project file: what a host saves of one applied effect, so later commands can go on from
// it. JSON: the module and host, the layer references (a still, a numbered sequence or a
// video), every parameter value by identifier, the keys of animated values, and each
// instance's flattened sequence data.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <map>
#include <string>
#include <vector>

#include "EffectInstance.h"
#include "media/OutputFile.h"
#include "session/HostSetup.h"

namespace duovis::session {

struct ProjectLayer {
    QString file;  // empty: a layer of the given size without pictures; else a still file, a
                   // numbered pattern (shot_%04d.png, shot_####.png) or a video
    int width = 0;
    int height = 0;
};

struct ProjectKey {
    int frame = 0;
    double value = 0;
    bool hold = false;  // the value stays until the next key, else moves linearly to it
};

struct Project {
    std::string plugin = "DuovisX";
    refhost::HostApp host = refhost::HostApp::AfterEffects;
    ProjectLayer primary;
    QString second;      // the chosen secondary layer's file; empty when none
    QJsonObject values;  // identifier -> value (number, bool)
    // Table identifier -> its keys in frame order, no frame twice; frames are the layer's
    // own numbers (a sequence's file numbers, a video's frames from 0).
    std::map<std::string, std::vector<ProjectKey>> keys;
    QByteArray sequenceData;
};

// Reads and checks a project file; throws std::runtime_error naming the file and the fault
// for anything that is not a well-formed project of ours.
Project loadProject(const QString& path);

// The files of the project's layers, as bytes, for the checks that no output replaces them.
std::vector<std::string> layerFiles(const Project& project);

// The format version a project needs: the oldest that holds everything in it.
int projectVersionFor(const Project& project);

// Writes the project whole or not at all (temporary file, then rename). A command that reads,
// changes and writes a project holds a FileLock on it throughout.
void saveProject(const Project& project, const QString& path, SaveMode mode = SaveMode::Replace);

// Gives a set-up instance the project's values, keys and sequence data, the way a host opens
// a saved project (values first, then sequence re-setup). Keys are placed at their frames'
// times at the instance's current frame rate, so set the rate first. Throws for values the
// effect's registration does not allow.
void applyProject(const Project& project, refhost::EffectInstance& fx);

// Every value the instance holds, by identifier.
QJsonObject captureValues(const refhost::EffectInstance& fx);

// Takes every value, every key and the flattened sequence data back from the instance.
void captureProject(Project& project, refhost::EffectInstance& fx);

}  // namespace duovis::session
