// The encoder is fed in blocks so that its output buffer stays small; the
// block size has no effect on the bytes produced.
#include "tools/assets/music/Mp3Encoder.h"

#include "frontend/Error.h"

#include <lame/lame.h>

#include <algorithm>

namespace Assets {

namespace {

struct LameHandle {
    lame_global_flags* flags = lame_init();
    ~LameHandle()
    {
        if (flags)
            lame_close(flags);
    }
};

void append(std::vector<unsigned char>& out, const std::vector<unsigned char>& buffer, int bytes)
{
    if (bytes < 0)
        throw Frontend::Error("music: the MP3 encoder failed (LAME error " + std::to_string(bytes) + ")");
    out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
}

} // namespace

std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& stereo, const Mp3Settings& settings)
{
    LameHandle lame;
    lame_global_flags* gf = lame.flags;
    if (!gf)
        throw Frontend::Error("music: cannot create the MP3 encoder");
    lame_set_in_samplerate(gf, 44100);
    lame_set_out_samplerate(gf, 44100);
    lame_set_num_channels(gf, 2);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_quality(gf, settings.vbrQuality);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0)
        throw Frontend::Error("music: the MP3 encoder rejected its settings");

    constexpr int block = 8192; // frames per call
    std::vector<unsigned char> buffer(block * 5 / 4 + 7200 * 2);
    std::vector<unsigned char> mp3;
    const auto frames = static_cast<int64_t>(stereo.size() / 2);
    for (int64_t f = 0; f < frames; f += block) {
        const int n = static_cast<int>(std::min<int64_t>(block, frames - f));
        append(mp3, buffer,
               lame_encode_buffer_interleaved(gf, const_cast<short*>(stereo.data() + 2 * f), n, buffer.data(),
                                              static_cast<int>(buffer.size())));
    }
    append(mp3, buffer, lame_encode_flush(gf, buffer.data(), static_cast<int>(buffer.size())));
    // The first frame was written as a placeholder for the tag.
    const size_t tag = lame_get_lametag_frame(gf, buffer.data(), buffer.size());
    if (tag > 0 && tag <= mp3.size())
        std::copy_n(buffer.begin(), tag, mp3.begin());
    return mp3;
}

} // namespace Assets
