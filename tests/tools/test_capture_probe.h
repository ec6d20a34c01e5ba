// Reads back a video file with libavformat/libavcodec for the capture tests:
// picture count and size, and how many seconds of sound decode from it.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace CaptureTest {

struct MediaInfo {
    bool opened = false;
    long videoFrames = 0;
    int width = 0;
    int height = 0;
    bool hasAudio = false;
    double audioSeconds = 0.0;
    double peakSample = 0.0;                         // largest decoded magnitude, 0..1
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED; // the video stream's colour tags
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
};

inline MediaInfo probeMedia(const std::string& path)
{
    MediaInfo info;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return info;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return info;
    }
    info.opened = true;
    int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (video >= 0) {
        info.width = format->streams[video]->codecpar->width;
        info.height = format->streams[video]->codecpar->height;
        info.colorSpace = format->streams[video]->codecpar->color_space;
        info.primaries = format->streams[video]->codecpar->color_primaries;
        info.transfer = format->streams[video]->codecpar->color_trc;
        info.range = format->streams[video]->codecpar->color_range;
    }
    AVCodecContext* decoder = nullptr;
    if (audio >= 0) {
        info.hasAudio = true;
        const AVCodecParameters* par = format->streams[audio]->codecpar;
        decoder = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
        avcodec_parameters_to_context(decoder, par);
        avcodec_open2(decoder, nullptr, nullptr);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    long samples = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            samples += frame->nb_samples;
            if (frame->format == AV_SAMPLE_FMT_FLTP)
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < frame->nb_samples; ++i) {
                        double v = reinterpret_cast<const float*>(frame->extended_data[c])[i];
                        info.peakSample = std::max(info.peakSample, v < 0 ? -v : v);
                    }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video)
            ++info.videoFrames;
        else if (packet->stream_index == audio && avcodec_send_packet(decoder, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    if (decoder) {
        avcodec_send_packet(decoder, nullptr);
        drain();
        info.audioSeconds = static_cast<double>(samples) / decoder->sample_rate;
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return info;
}

} // namespace CaptureTest
