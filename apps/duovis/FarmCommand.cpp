// `duovis farm render`: a render cut into chunks for a Slurm array job. Everything is checked
// and planned before anything is submitted; the scripts the jobs run are plain files beside
// the output.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <stdexcept>

#include "Commands.h"
#include "FarmRequest.h"
#include "FarmScript.h"
#include "FarmWait.h"
#include "RenderFootage.h"
#include "RenderMedia.h"
#include "RenderRequest.h"
#include "Slurm.h"
#include "media/AtomicSave.h"
#include "session/FrameRecords.h"
#include "session/FrameSequence.h"

namespace duovis::cli {

using session::FrameRange;
using session::FrameSequence;

namespace {

QString qs(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

std::string bytesOf(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// The render the tasks share, read and checked as `duovis render` would, with its frames.
struct FarmRender {
    RenderRequest request;
    FrameRange frames;
    bool video = false;
    std::string output;  // absolute
};

FarmRender checkRender(const FarmRequest& farm) {
    std::vector<std::string> words = farm.renderWords;
    if (farm.frames) words.insert(words.end(), {"--frames", *farm.frames});
    words.insert(words.end(), {"-o", farm.output});
    FarmRender r{parseRenderRequest(words), {}, false, {}};
    r.video = farm.output != "-" && writesVideo(farm.output);
    if (!r.video && !FrameSequence::looksLikePattern(qs(farm.output)))
        throw std::runtime_error(farm.output +
                                 ": a farm render writes a numbered pattern such as out_%04d.png or a video "
                                 "(.mp4 .mov .mkv)");
    if (r.request.primary == "-")
        throw std::runtime_error("a farm render reads files every node sees, not standard input");
    r.frames = footageFrames(r.request);
    r.output = bytesOf(QFileInfo(qs(farm.output)).absoluteFilePath());
    if (r.frames.toTheEnd)
        throw std::runtime_error(r.request.primary +
                                 ": the video does not say how many frames it has; give --frames A-B");
    return r;
}

void saveScript(const std::string& text, const std::string& path) {
    saveBytesAtomically(QByteArray::fromStdString(text), qs(path));
}

void printChunks(const std::vector<FarmChunk>& chunks) {
    for (std::size_t k = 0; k < chunks.size(); ++k)
        std::printf("  task %zu: chunk %d (frames %s), renders %s\n", k, chunks[k].number,
                    framesText(chunks[k].frames).c_str(), runsText(chunks[k].runs).c_str());
}

// The ids a file of earlier jobs holds, one a line; none where there is no such file.
std::vector<std::string> jobsListedIn(const std::string& path) {
    QFile f(qs(path));
    std::vector<std::string> ids;
    if (!f.open(QIODevice::ReadOnly)) return ids;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) ids.push_back(line.trimmed().toStdString());
    return ids;
}

// A second submission while the first one's tasks still run would render the same frames twice
// and reset the records they are writing to.
void refuseWhileEarlierJobsRun(const FarmFiles& files, const std::string& output) {
    const std::vector<std::string> earlier = jobsListedIn(files.jobs());
    if (earlier.empty() || !jobsQueued(earlier)) return;
    std::string ids;
    for (const std::string& id : earlier) ids += (ids.empty() ? "" : " ") + id;
    throw std::runtime_error(output + ": the jobs of an earlier farm render of it (" + ids +
                             ") are still queued or running; wait for them, or cancel them with scancel " +
                             ids);
}

void keepJobIds(const SubmittedFarm& sent) {
    std::string text;
    for (const auto& id : {sent.arrayJob, sent.videoJob})
        if (id) text += *id + "\n";
    if (!text.empty()) saveBytesAtomically(QByteArray::fromStdString(text), qs(sent.files.jobs()));
}

// Submits the jobs the plan needs (or prints their commands, for a dry run).
SubmittedFarm submit(const FarmRequest& farm, const ScriptSpec& spec, const FarmRender& r,
                     const std::vector<FarmChunk>& chunks, bool encode) {
    SubmittedFarm sent{spec.files, std::nullopt, chunks, std::nullopt};
    if (!chunks.empty()) {
        saveScript(arrayScript(spec, chunks, r.video ? spec.files.videoFrames() : r.output),
                   spec.files.arrayScript());
        if (farm.dryRun)
            std::printf("%s\n", sbatchCommand({}, spec.files.arrayScript()).c_str());
        else
            sent.arrayJob = submitJob({}, spec.files.arrayScript());
        keepJobIds(sent);
        if (sent.arrayJob)
            std::printf("job %s: %zu task%s\n", sent.arrayJob->c_str(), chunks.size(),
                        chunks.size() == 1 ? "" : "s");
        printChunks(chunks);
    }
    if (!encode) return sent;
    saveScript(assembleScript(spec, framesText(r.frames), r.output), spec.files.assembleScript());
    std::vector<std::string> after;
    if (!chunks.empty())
        after.push_back("--dependency=afterok:" +
                        (sent.arrayJob ? *sent.arrayJob : std::string("ARRAY_JOB_ID")));
    if (farm.dryRun) {
        std::printf("%s\n", sbatchCommand(after, spec.files.assembleScript()).c_str());
        return sent;
    }
    sent.videoJob = submitJob(after, spec.files.assembleScript());
    keepJobIds(sent);
    std::printf("job %s: encodes %s\n", sent.videoJob->c_str(), r.output.c_str());
    return sent;
}

// The folders the jobs write to, and the records made the render's own.
void prepareFolders(const ScriptSpec& spec, const QString& target, const QByteArray& render, bool dryRun) {
    for (const QString& folder : {qs(spec.files.folder), QFileInfo(target).absolutePath()})
        if (!QDir().mkpath(folder)) throw std::runtime_error(bytesOf(folder) + ": cannot make the folder");
    // A dry run leaves the records as they are: another render's still count for nothing.
    if (!dryRun) session::keepRecordsFor(qs(spec.files.records()), render);
}

int farmRender(const FarmRequest& farm) {
    if (!farm.dryRun) requireSlurm();
    const FarmRender r = checkRender(farm);
    ScriptSpec spec{bytesOf(QCoreApplication::applicationFilePath()),
                    bytesOf(QDir::currentPath()),
                    farmFilesFor(r.output),
                    farm.renderWords,
                    farm.partition,
                    farm.account,
                    farm.time};
    if (!farm.dryRun) refuseWhileEarlierJobsRun(spec.files, r.output);
    const QString records = qs(spec.files.records());
    const QString target = qs(r.video ? spec.files.videoFrames() : r.output);
    // Frames another render (other options, inputs or folder) left are made again.
    const QByteArray render = QByteArray::fromStdString(renderIdentity(spec, r.output));
    const bool keep = !farm.force && session::recordsAreOf(records, render);
    const auto finished = [&](int frame) {
        return keep && session::isFinished(records, FrameSequence::expand(target, frame));
    };
    const std::vector<FarmChunk> chunks = planChunks(r.frames, farm.chunk, finished);
    const bool encode = r.video && (!keep || !chunks.empty() || !session::isFinished(records, qs(r.output)));
    if (chunks.empty() && !encode) {
        std::printf("nothing to render: every frame of %s is finished (--force renders them again)\n",
                    r.output.c_str());
        return 0;
    }
    prepareFolders(spec, target, render, farm.dryRun);
    const SubmittedFarm sent = submit(farm, spec, r, chunks, encode);
    std::fflush(stdout);
    if (farm.wait && !farm.dryRun) {
        waitForFarm(sent);
        std::printf("done: %s\n", r.output.c_str());
    }
    return 0;
}

}  // namespace

int farmCommand(const std::vector<std::string>& words) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h") {
        std::fputs(kFarmHelp, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    if (words[0] != "render")
        throw std::runtime_error("farm: '" + words[0] +
                                 "' is not an action (farm render; see duovis farm --help)");
    const FarmRequest farm = parseFarmRequest({words.begin() + 1, words.end()});
    if (farm.help) {
        std::fputs(kFarmHelp, stdout);
        return 0;
    }
    return farmRender(farm);
}

}  // namespace duovis::cli
