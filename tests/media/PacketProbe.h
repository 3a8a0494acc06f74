#pragma once
// An output read back with libavformat, independently of our reader: its codecs, the video's
// first time, each audio packet's time, bytes and skip side data, and the display matrix.

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cfloat>
#include <optional>
#include <string>
#include <vector>

#include "media/StreamMeta.h"

namespace duovis::mediatest {

struct AudioPacket {
    double start;     // seconds after the video's first frame
    double duration;  // seconds
    std::string bytes;
    bool skipsSamples;  // carries AV_PKT_DATA_SKIP_SAMPLES
};

struct Probe {
    std::string videoCodec, audioCodec;  // "" when the stream is not there
    double tick = 0;                     // the audio time base, in seconds
    double videoSeconds = 0;             // from the first frame's start to the last one's end
    std::vector<AudioPacket> audio;
    std::optional<media::DisplayMatrix> matrix;
};

inline Probe probeFile(const std::string& path) {
    Probe p;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return p;
    avformat_find_stream_info(in, nullptr);
    const int v = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (v >= 0) p.videoCodec = avcodec_get_name(in->streams[v]->codecpar->codec_id);
    if (a >= 0) p.audioCodec = avcodec_get_name(in->streams[a]->codecpar->codec_id);
    if (a >= 0) p.tick = av_q2d(in->streams[a]->time_base);
    std::size_t size = 0;
    const uint8_t* m =
        v >= 0 ? av_stream_get_side_data(in->streams[v], AV_PKT_DATA_DISPLAYMATRIX, &size) : nullptr;
    if (m != nullptr) {
        p.matrix.emplace();
        std::copy_n(reinterpret_cast<const int32_t*>(m), 9, p.matrix->begin());
    }
    double videoStart = DBL_MAX, videoEnd = 0;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(in, pkt) >= 0) {
        const AVRational tb = in->streams[pkt->stream_index]->time_base;
        if (pkt->stream_index == v && pkt->pts != AV_NOPTS_VALUE) {
            videoStart = std::min(videoStart, static_cast<double>(pkt->pts) * av_q2d(tb));
            videoEnd = std::max(videoEnd, static_cast<double>(pkt->pts + pkt->duration) * av_q2d(tb));
        }
        if (pkt->stream_index == a)
            p.audio.push_back({static_cast<double>(pkt->pts) * av_q2d(tb),
                               static_cast<double>(pkt->duration) * av_q2d(tb),
                               std::string(reinterpret_cast<const char*>(pkt->data), pkt->size),
                               av_packet_get_side_data(pkt, AV_PKT_DATA_SKIP_SAMPLES, nullptr) != nullptr});
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&in);
    if (videoStart == DBL_MAX) videoStart = videoEnd = 0;
    p.videoSeconds = videoEnd - videoStart;
    for (AudioPacket& packet : p.audio) packet.start -= videoStart;
    return p;
}

}  // namespace duovis::mediatest
