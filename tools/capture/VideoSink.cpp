// Video encoding and muxing for the capture tool (libavformat, libavcodec,
// libswscale, libswresample, FFmpeg 5 channel-layout API).
#include "tools/capture/VideoSink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "demo/Music.h"
#include "frontend/Error.h"
#include "tools/capture/OutputFile.h"
#include "tools/capture/Yuv420.h"

namespace Capture {

namespace {

std::string averror(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// FFmpeg's own error lines would arrive raw on stderr, before our message;
// the last one is kept instead and told as the reason of the failure it
// explains. Warnings still go out as FFmpeg prints them.
std::mutex logLock;
std::string lastLibraryError;

void keepErrors(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR) {
        av_log_default_callback(context, level, format, arguments);
        return;
    }
    char line[512];
    std::vsnprintf(line, sizeof line, format, arguments);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    std::lock_guard<std::mutex> guard(logLock);
    lastLibraryError = text;
}

std::string takeLibraryError()
{
    std::lock_guard<std::mutex> guard(logLock);
    std::string text;
    text.swap(lastLibraryError);
    return text;
}

AVRational exactRate(const VideoSinkDesc& desc)
{
    AVRational rate{desc.fpsNum, desc.fpsDen};
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, INT_MAX);
    return rate;
}

// Sound samples that belong to `frames` pictures, in whole numbers so that the
// sound of a fractional rate does not drift from its pictures.
int64_t samplesOfFrames(const VideoSinkDesc& desc, int64_t frames, bool nearest)
{
    const int64_t scaled = frames * desc.fpsDen * Vantrel::kSampleRate;
    return nearest ? (scaled + desc.fpsNum / 2) / desc.fpsNum : scaled / desc.fpsNum;
}

// Pictures taller than standard definition are high definition: BT.709 for
// matrix, primaries and transfer; smaller ones are BT.601 (625-line primaries,
// as players assume for PAL-sized and smaller pictures). Limited range unless
// asked for full. A lossless master keeps the sRGB pictures themselves.
void tagColour(AVCodecContext* video, const VideoSinkDesc& desc)
{
    if (desc.lossless) {
        video->color_range = AVCOL_RANGE_JPEG;
        video->colorspace = AVCOL_SPC_RGB;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_IEC61966_2_1;
        return;
    }
    const bool hd = usesBt709(desc.height);
    video->color_range = desc.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    video->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    video->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_BT470BG;
    video->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
}

const AVCodec* chooseVideoCodec(const VideoSinkDesc& desc)
{
    if (desc.lossless)
        return avcodec_find_encoder(AV_CODEC_ID_FFV1);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    return codec ? codec : avcodec_find_encoder(AV_CODEC_ID_MPEG4);
}

std::string codecLabel(const AVCodec* codec)
{
    switch (codec->id) {
    case AV_CODEC_ID_H264: return "H.264";
    case AV_CODEC_ID_FFV1: return "FFV1 lossless";
    default: return "MPEG-4";
    }
}

// Encoder settings beyond size, rate and colour.
void tuneEncoder(AVCodecContext* video, const VideoSinkDesc& desc)
{
    if (video->codec_id == AV_CODEC_ID_FFV1) {
        // Version 3 with slices encodes on two threads; every frame a key
        // frame, so an editor seeks anywhere at once.
        video->level = 3;
        video->slices = 4;
        video->thread_count = 2;
        video->gop_size = 1;
    } else if (video->codec_id == AV_CODEC_ID_H264) {
        // On a two-core machine the software renderer already keeps both cores
        // busy; "superfast" at quality 20 costs a capture about a tenth over
        // rendering alone ("fast": about two fifths) and loses nothing against
        // the lossless frames (SSIM 0.994 for both), in a larger file.
        av_opt_set(video->priv_data, "preset", desc.preset.c_str(), 0);
        av_opt_set_int(video->priv_data, "crf", desc.crf, 0);
    } else {
        video->flags |= AV_CODEC_FLAG_QSCALE;
        video->global_quality = FF_QP2LAMBDA * 3;
        video->gop_size = std::max(1, static_cast<int>(std::lround(2.0 * desc.fpsNum / desc.fpsDen)));
    }
}

// Planes packed as Yuv420.h says, into the frame's own strides.
void copyYuv420(const unsigned char* planes, int width, int height, AVFrame* frame)
{
    const int sides[3][2] = {{width, height}, {width / 2, height / 2}, {width / 2, height / 2}};
    for (int plane = 0; plane < 3; ++plane) {
        for (int y = 0; y < sides[plane][1]; ++y, planes += sides[plane][0])
            std::memcpy(frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane], planes,
                        static_cast<std::size_t>(sides[plane][0]));
    }
}

// RGB rows as FFV1's bgr0 (B, G, R, unused in memory order): a pure reordering.
void packBgr0(const unsigned char* rgb, int width, int height, AVFrame* frame)
{
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = rgb + static_cast<std::size_t>(y) * width * 3;
        uint8_t* out = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0;
        }
    }
}

} // namespace

struct VideoSink::Impl {
    VideoSinkDesc desc;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    std::vector<int16_t> staging; // one audio frame of interleaved source samples
    int64_t framesWritten = 0;
    int64_t audioStart = 0; // sample positions in the track
    int64_t audioEnd = 0;
    int64_t audioNext = 0;
    FrameLayout inputLayout = FrameLayout::Rgb;
    bool fileOpen = false;
    bool finished = false;
    std::string codecName;
    std::string writing; // the partial name the film has until it is finished

    ~Impl();
    void fail(const std::string& what, int code) const;
    void openVideo();
    void openConverter();
    void openAudio();
    void openFile();
    void encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame);
    void writeAudioUntil(int64_t sample);
    void fillSound(int count);
};

VideoSink::Impl::~Impl()
{
    if (fileOpen && !(format->oformat->flags & AVFMT_NOFILE))
        avio_closep(&format->pb);
    if (fileOpen && !finished)
        std::remove(writing.c_str()); // without its index nothing plays it
    sws_freeContext(scaler);
    swr_free(&resampler);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_free_context(format);
}

void VideoSink::Impl::fail(const std::string& what, int code) const
{
    std::string message = desc.path + ": " + what;
    std::string reason = takeLibraryError();
    if (code < 0)
        reason = reason.empty() ? averror(code) : averror(code) + ": " + reason;
    if (!reason.empty())
        message += " (" + reason + ")";
    throw Frontend::Error(message);
}

void VideoSink::Impl::openVideo()
{
    const AVCodec* codec = chooseVideoCodec(desc);
    if (!codec)
        fail(desc.lossless ? "this FFmpeg build has no FFV1 encoder"
                           : "this FFmpeg build has neither an H.264 nor "
                             "an MPEG-4 encoder",
             0);
    codecName = codecLabel(codec);

    videoStream = avformat_new_stream(format, nullptr);
    video = avcodec_alloc_context3(codec);
    if (!videoStream || !video)
        fail("out of memory setting up the video stream", 0);

    // The exact rate is the time base, so 60000/1001 stays 60000/1001. MPEG-4
    // part 2 limits the time base denominator to 16 bits.
    AVRational rate = exactRate(desc);
    if (codec->id == AV_CODEC_ID_MPEG4 && rate.num > 65535)
        rate = av_d2q(static_cast<double>(desc.fpsNum) / desc.fpsDen, 65535);
    video->width = desc.width;
    video->height = desc.height;
    video->pix_fmt = desc.lossless ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P;
    video->time_base = av_inv_q(rate);
    video->framerate = rate;
    tagColour(video, desc);
    tuneEncoder(video, desc);
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    int result = avcodec_open2(video, codec, nullptr);
    if (result < 0)
        fail("cannot open the " + codecName + " encoder", result);
    avcodec_parameters_from_context(videoStream->codecpar, video);
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = rate;

    picture = av_frame_alloc();
    if (!picture)
        fail("out of memory for a video frame", 0);
    picture->format = video->pix_fmt;
    picture->width = desc.width;
    picture->height = desc.height;
    result = av_frame_get_buffer(picture, 0);
    if (result < 0)
        fail("cannot allocate a video frame", result);
    openConverter();
}

// RGB to the encoder's YUV: full-range RGB in, the range and matrix the tags name out.
void VideoSink::Impl::openConverter()
{
    if (desc.lossless)
        return;
    scaler = sws_getContext(desc.width, desc.height, AV_PIX_FMT_RGB24, desc.width, desc.height, AV_PIX_FMT_YUV420P,
                            SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler)
        fail("cannot set up the RGB to YUV conversion", 0);
    const int* matrix = sws_getCoefficients(video->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601);
    sws_setColorspaceDetails(scaler, matrix, 1, matrix, desc.fullRange ? 1 : 0, 0, 1 << 16, 1 << 16);
}

void VideoSink::Impl::openAudio()
{
    // Matroska gets FLAC: lossless and without an encoder delay, so films
    // captured in pieces join sample for sample. MP4 gets AAC, which every
    // player knows.
    const bool lossless = std::strcmp(format->oformat->name, "matroska") == 0;
    const AVCodec* codec = avcodec_find_encoder(lossless ? AV_CODEC_ID_FLAC : AV_CODEC_ID_AAC);
    if (!codec)
        fail(lossless ? "this FFmpeg build has no FLAC encoder" : "this FFmpeg build has no AAC encoder", 0);
    audioStream = avformat_new_stream(format, nullptr);
    audio = avcodec_alloc_context3(codec);
    if (!audioStream || !audio)
        fail("out of memory setting up the audio stream", 0);

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const AVSampleFormat sampleFormat = lossless ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
    audio->sample_fmt = sampleFormat;
    audio->sample_rate = Vantrel::kSampleRate;
    av_channel_layout_copy(&audio->ch_layout, &stereo);
    if (!lossless)
        audio->bit_rate = 192000;
    audio->time_base = AVRational{1, Vantrel::kSampleRate};
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(audio, codec, nullptr);
    if (result < 0)
        fail("cannot open the " + std::string(lossless ? "FLAC" : "AAC") + " encoder", result);
    avcodec_parameters_from_context(audioStream->codecpar, audio);
    audioStream->time_base = audio->time_base;

    // The track is interleaved 16-bit; AAC takes planar float.
    result = swr_alloc_set_opts2(&resampler, &stereo, sampleFormat, Vantrel::kSampleRate, &stereo, AV_SAMPLE_FMT_S16,
                                 Vantrel::kSampleRate, 0, nullptr);
    if (result < 0 || (result = swr_init(resampler)) < 0)
        fail("cannot set up the sample conversion", result);

    int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
    sound = av_frame_alloc();
    if (!sound)
        fail("out of memory for an audio frame", 0);
    sound->format = audio->sample_fmt;
    sound->sample_rate = audio->sample_rate;
    av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
    sound->nb_samples = frameSize;
    result = av_frame_get_buffer(sound, 0);
    if (result < 0)
        fail("cannot allocate an audio frame", result);
    staging.assign(static_cast<std::size_t>(frameSize) * 2, 0);

    audioStart = std::llround(desc.audioFrom * Vantrel::kSampleRate);
    audioEnd = std::llround(desc.audioTo * Vantrel::kSampleRate);
    audioNext = audioStart;
}

void VideoSink::Impl::openFile()
{
    if (format->oformat->flags & AVFMT_NOFILE)
        return;
    int result = avio_open(&format->pb, writing.c_str(), AVIO_FLAG_WRITE);
    if (result < 0)
        fail("cannot write the video file", result);
    fileOpen = true;
    // An older film under the name would pass for this run's if it were cut short.
    std::remove(desc.path.c_str());
}

void VideoSink::Impl::encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame)
{
    int result = avcodec_send_frame(codec, frame);
    if (result < 0)
        fail("encoding failed", result);
    for (;;) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        if (result < 0)
            fail("encoding failed", result);
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result < 0)
            fail("cannot write to the video file", result);
    }
}

// Source samples [audioNext, audioNext + count) into the AAC frame; outside the track is silence.
void VideoSink::Impl::fillSound(int count)
{
    const Vantrel::PcmTrack& track = *desc.music;
    std::fill(staging.begin(), staging.end(), int16_t{0});
    int64_t first = std::max<int64_t>(audioNext, 0);
    int64_t last = std::min<int64_t>(audioNext + count, track.frames());
    if (first < last)
        std::memcpy(staging.data() + (first - audioNext) * 2, track.samples.data() + first * 2,
                    static_cast<std::size_t>(last - first) * 2 * sizeof(int16_t));

    int result = av_frame_make_writable(sound);
    if (result < 0)
        fail("cannot reuse the audio frame", result);
    const uint8_t* input = reinterpret_cast<const uint8_t*>(staging.data());
    result = swr_convert(resampler, sound->data, count, &input, count);
    if (result != count)
        fail("sample conversion lost samples", result);
    sound->nb_samples = count;
    sound->pts = audioNext - audioStart;
}

// Encodes whole AAC frames up to `sample`; the one short frame is allowed only at the very end.
void VideoSink::Impl::writeAudioUntil(int64_t sample)
{
    if (!audio)
        return;
    int frameSize = static_cast<int>(staging.size() / 2);
    sample = std::min(sample, audioEnd);
    while (audioNext < audioEnd && (audioNext + frameSize <= sample || sample == audioEnd)) {
        int count = static_cast<int>(std::min<int64_t>(frameSize, audioEnd - audioNext));
        fillSound(count);
        encode(audio, audioStream, sound);
        audioNext += count;
    }
}

VideoSink::VideoSink(const VideoSinkDesc& desc) : impl(std::make_unique<Impl>())
{
    // The encoders' per-run statistics would tear through the progress line.
    if (av_log_get_level() > AV_LOG_WARNING)
        av_log_set_level(AV_LOG_WARNING);
    av_log_set_callback(keepErrors);
    impl->desc = desc;
    impl->writing = partialPath(desc.path);
    int result = avformat_alloc_output_context2(&impl->format, nullptr, nullptr, impl->writing.c_str());
    if (result < 0 || !impl->format)
        impl->fail("cannot choose a container for this file name", result);
    impl->packet = av_packet_alloc();
    if (!impl->packet)
        impl->fail("out of memory", 0);
    impl->openFile();
    impl->openVideo();
    if (desc.music)
        impl->openAudio();
    // An MP4's index goes to the front when the file is finished, so that a
    // browser can start playing it before the whole file has arrived.
    AVDictionary* muxerOptions = nullptr;
    if (std::strcmp(impl->format->oformat->name, "mp4") == 0)
        av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    result = avformat_write_header(impl->format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (result < 0)
        impl->fail("cannot write the video header", result);
}

VideoSink::~VideoSink() = default;

void VideoSink::writeFrame(const unsigned char* rgbTopFirst)
{
    Impl& s = *impl;
    int result = av_frame_make_writable(s.picture);
    if (result < 0)
        s.fail("cannot reuse the video frame", result);
    if (s.desc.lossless) {
        packBgr0(rgbTopFirst, s.desc.width, s.desc.height, s.picture);
    } else if (s.inputLayout == FrameLayout::Yuv420) {
        copyYuv420(rgbTopFirst, s.desc.width, s.desc.height, s.picture);
    } else {
        const uint8_t* planes[1] = {rgbTopFirst};
        const int strides[1] = {s.desc.width * 3};
        sws_scale(s.scaler, planes, strides, 0, s.desc.height, s.picture->data, s.picture->linesize);
    }
    s.picture->pts = s.framesWritten++;
    s.encode(s.video, s.videoStream, s.picture);
    // Keep the sound level with the pictures so the muxer interleaves as it goes.
    s.writeAudioUntil(s.audioStart + samplesOfFrames(s.desc, s.framesWritten, false));
}

FrameLayout VideoSink::layout() const
{
    return impl->inputLayout;
}

bool VideoSink::takeLayout(FrameLayout wanted)
{
    if (impl->framesWritten > 0 || (wanted == FrameLayout::Yuv420 && impl->desc.lossless))
        return wanted == impl->inputLayout;
    impl->inputLayout = wanted;
    return true;
}

void VideoSink::finish()
{
    Impl& s = *impl;
    if (s.finished)
        return;
    // A run cut short ends its sound with its last picture.
    int64_t shown = s.audioStart + samplesOfFrames(s.desc, s.framesWritten, true);
    s.audioEnd = std::min(s.audioEnd, shown);
    s.writeAudioUntil(s.audioEnd);
    s.encode(s.video, s.videoStream, nullptr);
    if (s.audio)
        s.encode(s.audio, s.audioStream, nullptr);
    int result = av_write_trailer(s.format);
    if (result < 0)
        s.fail("cannot finish the video file", result);
    if (s.fileOpen) {
        result = avio_closep(&s.format->pb);
        if (result < 0)
            s.fail("cannot finish the video file", result);
    }
    commitPartial(s.writing, s.desc.path);
    s.fileOpen = false;
    s.finished = true;
}

const std::string& VideoSink::writingPath() const
{
    return impl->writing;
}

std::string VideoSink::describe() const
{
    std::string text = impl->desc.path + " (" + std::to_string(impl->framesWritten) + " frames, " + impl->codecName;
    text += impl->audio ? ", with the music)" : ", no sound)";
    return text;
}

} // namespace Capture
