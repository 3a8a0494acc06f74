#include "media/ContainerFit.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <stdexcept>

#include "media/StillFile.h"

namespace duovis::media {

namespace {

// The containers a refusal may suggest instead, by extension.
const char* const kContainers[] = {"mkv", "mov", "mp4"};

bool headerStarts(AVFormatContext* out, AVCodecID video, const AVCodecParameters* audio) {
    AVStream* v = avformat_new_stream(out, nullptr);
    if (v == nullptr) return false;
    v->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    v->codecpar->codec_id = video;
    v->codecpar->width = 64;
    v->codecpar->height = 64;
    v->time_base = AVRational{1, 24};
    if (audio != nullptr) {
        AVStream* a = avformat_new_stream(out, nullptr);
        if (a == nullptr || avcodec_parameters_copy(a->codecpar, audio) < 0) return false;
        a->codecpar->codec_tag = 0;
        a->time_base = AVRational{1, audio->sample_rate > 0 ? audio->sample_rate : 48000};
    }
    if (avio_open_dyn_buf(&out->pb) < 0) return false;
    const int started = avformat_init_output(out, nullptr);
    uint8_t* bytes = nullptr;
    avio_close_dyn_buf(out->pb, &bytes);
    av_free(bytes);
    out->pb = nullptr;
    return started >= 0;
}

// Whether a file named `path` may hold these streams; audio only by a codec tag of its own.
bool takes(const std::string& path, AVCodecID video, const AVCodecParameters* audio) {
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, nullptr, path.c_str()) < 0 || out == nullptr)
        return false;
    const bool tagged =
        audio == nullptr || avformat_query_codec(out->oformat, audio->codec_id, FF_COMPLIANCE_NORMAL) == 1;
    const bool fits = tagged && headerStarts(out, video, audio);
    avformat_free_context(out);
    return fits;
}

}  // namespace

void checkContainerFits(const std::string& path, const CodecChoice& video, const AVCodecParameters* audio) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(video.encoder);
    if (path == "-" || encoder == nullptr) return;
    const std::string ext = extensionOf(path);
    if (!takes(path, encoder->id, nullptr))
        throw std::runtime_error(path + ": ." + ext + " files cannot hold " + video.name +
                                 " video (.mkv holds every codec)");
    if (audio == nullptr || takes(path, encoder->id, audio)) return;
    std::string others;
    for (const char* other : kContainers)
        if (ext != other && takes(std::string("x.") + other, encoder->id, audio))
            others += (others.empty() ? "." : " or .") + std::string(other);
    throw std::runtime_error(
        path + ": the source's " + avcodec_get_name(audio->codec_id) + " audio cannot go into ." + ext +
        " files; " +
        (others.empty() ? "--no-audio leaves it out" : "use " + others + ", or --no-audio to leave it out"));
}

}  // namespace duovis::media
