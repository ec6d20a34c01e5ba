// vantrel-assets: writes every picture, mesh and animated scene the production loads.
//
//   vantrel-assets OUTDIR [--only NAME] [--no-music]
//       writes the whole set (and the music, where the tool was built with it)
//       into OUTDIR, creating it; --only writes one file.
//   vantrel-assets --contact-sheet FILE.png [--only NAME]
//       writes one picture showing everything (or one item), labelled.
//   vantrel-assets --corpus DIR
//       writes small valid files of every format the demo reads, as seeds
//       for the fuzz targets (DIR/qbr, DIR/kdx, DIR/picture).
//
// Output is deterministic: the same tool writes the same bytes every run.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "frontend/Error.h"
#include "tools/assets/Catalog.h"
#include "tools/assets/corpus/Corpus.h"
#include "tools/assets/kdx/KdxContent.h"
#include "tools/assets/preview/ContactSheet.h"
#include "tools/assets/raster/Codec.h"
#include "tools/assets/music/Song.h"

namespace {

struct Options {
    std::string outDir;
    std::string contactSheet;
    std::string corpus;
    std::string only;
    bool music = true;
};

void usage()
{
    std::fprintf(stderr, "usage: vantrel-assets OUTDIR [--only NAME] [--no-music]\n"
                         "       vantrel-assets --contact-sheet FILE.png [--only NAME]\n"
                         "       vantrel-assets --corpus DIR\n");
}

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--corpus" && i + 1 < argc)
            options.corpus = argv[++i];
        else if ((arg == "--only" || arg == "--contact-sheet") && i + 1 < argc)
            (arg == "--only" ? options.only : options.contactSheet) = argv[++i];
        else if (arg == "--no-music")
            options.music = false;
        else if (!arg.empty() && arg[0] != '-' && options.outDir.empty())
            options.outDir = arg;
        else
            return false;
    }
    const int modes = !options.outDir.empty() + !options.contactSheet.empty() + !options.corpus.empty();
    return modes == 1;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int writeSet(const Options& options)
{
    std::filesystem::create_directories(options.outDir);
    auto start = std::chrono::steady_clock::now();
    int written = 0;
    for (const Assets::PictureAsset& asset : Assets::pictureAssets())
        if (options.only.empty() || options.only == asset.name)
            written += Assets::writeAsset(options.outDir, asset.name) ? 1 : 0;
    for (const Assets::MeshAsset& asset : Assets::meshAssets())
        if (options.only.empty() || options.only == asset.name)
            written += Assets::writeAsset(options.outDir, asset.name) ? 1 : 0;
    for (const Assets::KdxAsset& asset : Assets::kdxAssets())
        if (options.only.empty() || options.only == asset.name)
            written += Assets::writeAsset(options.outDir, asset.name) ? 1 : 0;
    double contentSeconds = secondsSince(start);
    bool music = options.music && (options.only.empty() || options.only == "music.mp3");
    if (music) {
        Assets::writeMusic(options.outDir + "/music.mp3");
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "vantrel-assets: no asset named \"%s\"\n", options.only.c_str());
        return 1;
    }
    std::printf("vantrel-assets: %d files in %s (pictures, meshes and scenes %.2f s, total %.2f s)\n", written,
                options.outDir.c_str(), contentSeconds, secondsSince(start));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    try {
        if (!options.corpus.empty()) {
            std::printf("vantrel-assets: %d seed files in %s\n", Assets::writeFuzzCorpus(options.corpus),
                        options.corpus.c_str());
            return 0;
        }
        if (!options.contactSheet.empty()) {
            Assets::savePngRGB(options.contactSheet, Assets::makeContactSheet(options.only));
            return 0;
        }
        return writeSet(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-assets: %s\n", e.what());
        return 1;
    }
}
