// The demo program: reads its command line, builds the production and plays it.
#include <cstdio>
#include <memory>
#include <string>

#include "demo/DemoOptions.h"
#include "devmode/DevSession.h"
#include "devmode/LiveStats.h"
#include "frontend/DataPath.h"
#include "frontend/Error.h"
#include "frontend/StopRequest.h"
#include "prod/Prod.h"

int main(int argc, char** argv)
{
    Vantrel::DemoParse parsed = Vantrel::parseDemoOptions(argc, argv);
    if (parsed.status == Vantrel::DemoParse::Status::Help) {
        std::fputs(parsed.message.c_str(), stdout);
        return 0;
    }
    if (parsed.status == Vantrel::DemoParse::Status::Error) {
        std::fprintf(stderr, "vantrel: %s\n%s", parsed.message.c_str(), parsed.usage.c_str());
        return Vantrel::kBadCommandLine;
    }
    Frontend::installStopHandlers();
    std::string moved = Frontend::enterDataRoot();
    if (!moved.empty())
        std::fprintf(stderr, "vantrel: %s\n", moved.c_str());
    try {
        Prod::Prod production;
        std::string problem = Vantrel::applyDemoOptions(parsed.options, production);
        if (!problem.empty()) {
            std::fprintf(stderr, "vantrel: %s\n%s", problem.c_str(), parsed.usage.c_str());
            return Vantrel::kBadCommandLine;
        }
        std::unique_ptr<Vantrel::DevSession> session = Vantrel::DevSession::fromOptions(parsed.options, production);
        std::unique_ptr<Vantrel::LiveStats> stats;
        if (!parsed.options.statsFile.empty())
            stats = std::make_unique<Vantrel::LiveStats>(Frontend::outputPath(parsed.options.statsFile));
        Vantrel::FrameHookChain hooks(session.get(), stats.get());
        production.frameHook = stats ? &hooks : static_cast<Vantrel::FrameHook*>(session.get());
        production.run();
    } catch (const Frontend::Error& error) {
        Frontend::reportUnrecoverable(error.what());
    }
    return 0;
}
