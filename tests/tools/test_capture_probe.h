// Reads back a video file with libavformat/libavcodec for the capture tests:
// picture count and size, how many seconds of sound decode from it, the
// decoded pictures and sound themselves.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
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

// Calls `use` with every decoded frame of the file's best stream of `type`.
inline void decodeStream(const std::string& path, AVMediaType type, const std::function<void(const AVFrame*)>& use)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return;
    int stream =
        avformat_find_stream_info(format, nullptr) < 0 ? -1 : av_find_best_stream(format, type, -1, -1, nullptr, 0);
    AVCodecContext* decoder = nullptr;
    if (stream >= 0) {
        const AVCodecParameters* par = format->streams[stream]->codecpar;
        decoder = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
        avcodec_parameters_to_context(decoder, par);
        avcodec_open2(decoder, nullptr, nullptr);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0)
            use(frame);
    };
    while (decoder && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    if (decoder) {
        avcodec_send_packet(decoder, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
}

// The luma code at (x, y) of the first picture, as stored in the file; -1 when none decodes.
inline int firstLumaSample(const std::string& path, int x, int y)
{
    int luma = -1;
    decodeStream(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        if (luma < 0)
            luma = frame->data[0][y * frame->linesize[0] + x];
    });
    return luma;
}

// Every picture converted to upright RGB rows (an exact reordering for an RGB video).
inline std::vector<std::vector<unsigned char>> decodeRgbFrames(const std::string& path, int width, int height)
{
    std::vector<std::vector<unsigned char>> frames;
    decodeStream(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        SwsContext* convert = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                             width, height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
        std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
        uint8_t* planes[1] = {rgb.data()};
        const int strides[1] = {width * 3};
        sws_scale(convert, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(convert);
        frames.push_back(std::move(rgb));
    });
    return frames;
}

// The first channel of the sound, as samples from -1 to 1.
inline std::vector<float> decodeLeftChannel(const std::string& path)
{
    std::vector<float> left;
    decodeStream(path, AVMEDIA_TYPE_AUDIO, [&](const AVFrame* frame) {
        for (int i = 0; i < frame->nb_samples; ++i) {
            if (frame->format == AV_SAMPLE_FMT_FLTP)
                left.push_back(reinterpret_cast<const float*>(frame->extended_data[0])[i]);
            else if (frame->format == AV_SAMPLE_FMT_S16)
                left.push_back(reinterpret_cast<const int16_t*>(frame->data[0])[i * 2] / 32768.0f);
        }
    });
    return left;
}

} // namespace CaptureTest
