#include "media/AudioCopy.h"

#include <stdexcept>

#include "media/FfmpegPixels.h"

namespace duovis::media {

std::unique_ptr<AudioCopy> AudioCopy::open(const std::string& source, MediaTime origin) {
    std::unique_ptr<AudioCopy> copy(new AudioCopy);
    int err = avformat_open_input(&copy->in_, source.c_str(), nullptr, nullptr);
    if (err >= 0) err = avformat_find_stream_info(copy->in_, nullptr);
    if (err < 0) throw std::runtime_error(source + ": cannot read its audio (" + avErrorText(err) + ")");
    copy->stream_ = av_find_best_stream(copy->in_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (copy->stream_ < 0) return nullptr;
    const AVRational base = copy->in_->streams[copy->stream_]->time_base;
    copy->origin_ = av_rescale_q(origin.ticks, AVRational{origin.num, origin.den}, base);
    copy->held_ = av_packet_alloc();
    return copy;
}

AudioCopy::~AudioCopy() {
    av_packet_free(&held_);
    avformat_close_input(&in_);
}

const AVCodecParameters& AudioCopy::parameters() const {
    return *in_->streams[stream_]->codecpar;
}

void AudioCopy::addStream(AVFormatContext* out) {
    const AVStream* src = in_->streams[stream_];
    out_ = avformat_new_stream(out, nullptr);
    if (out_ == nullptr || avcodec_parameters_copy(out_->codecpar, src->codecpar) < 0) throw std::bad_alloc();
    out_->codecpar->codec_tag = 0;
    out_->time_base = src->time_base;
}

int AudioCopy::copyUntil(AVFormatContext* out, long long until, AVRational base) {
    const AVRational src = in_->streams[stream_]->time_base;
    while (true) {
        if (held_->data == nullptr) {
            if (av_read_frame(in_, held_) < 0) return 0;  // the audio ends here
            if (held_->pts == AV_NOPTS_VALUE) held_->pts = held_->dts;
            // Another stream's, or one whose time nothing says.
            if (held_->stream_index != stream_ || held_->pts == AV_NOPTS_VALUE) {
                av_packet_unref(held_);
                continue;
            }
            // Sound wholly before the first frame goes, but not the packet that ends on it:
            // that is the priming a decoder needs for the first frame's samples.
            if (held_->pts + held_->duration < origin_) {
                av_packet_unref(held_);
                continue;
            }
            held_->pts -= origin_;
            if (held_->dts != AV_NOPTS_VALUE) held_->dts -= origin_;
        }
        if (av_compare_ts(held_->pts, src, until, base) >= 0) return 0;
        av_packet_rescale_ts(held_, src, out_->time_base);
        held_->stream_index = out_->index;
        held_->pos = -1;
        const int err = av_interleaved_write_frame(out, held_);
        av_packet_unref(held_);
        if (err < 0) return err;
    }
}

}  // namespace duovis::media
