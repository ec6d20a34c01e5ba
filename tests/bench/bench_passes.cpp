// What each full-screen pass costs on one 512 x 512 picture at render scale 1
// and 2 (the benchmark argument; 1024 x 1024 texels), with the
// driver's work included (glFinish after every pass). Run from a directory
// holding vantrel_data/ (build/run/): ./bench_passes
#include <benchmark/benchmark.h>

#include <epoxy/gl.h>

#include <functional>

#include "demo/Demo.h"
#include "demo/Element.h"
#include "frontend/Context.h"
#include "frontend/State.h"

namespace {

class BenchDemo : public Vantrel::Demo {
public:
    BenchDemo() { tempo = 163.0f; }
};

// One demo per render scale, on one context: the pools are built at the scale.
struct Bench {
    explicit Bench(float scale)
    {
        static Frontend::Context* context = nullptr;
        if (!context) {
            Frontend::ContextDesc desc;
            desc.hidden = true;
            context = new Frontend::Context(desc);
        }
        demo = new BenchDemo;
        demo->renderScale = scale;
        demo->load();
        demo->prepareDrawables();
        picture = new Vantrel::Element(demo, "Untitled", 512, 512);
    }
    BenchDemo* demo;
    Vantrel::Element* picture;
};

// The benchmark's argument is the render scale: 1, or 2 for a picture of 1024 x 1024.
Bench& bench(long scale)
{
    static Bench* scaleOne = nullptr;
    static Bench* scaleTwo = nullptr;
    Bench*& instance = scale == 2 ? scaleTwo : scaleOne;
    if (!instance)
        instance = new Bench(static_cast<float>(scale));
    return *instance;
}

void runPass(benchmark::State& state, const std::function<void(Vantrel::Element&)>& pass)
{
    Vantrel::Element& picture = *bench(state.range(0)).picture;
    picture.bind();
    Frontend::State::clear(0.5f, 0.4f, 0.3f, 1.0f, true, true, true);
    pass(picture); // first use: the driver compiles what it needs
    glFinish();
    for (auto _ : state) {
        picture.bind();
        pass(picture);
        glFinish();
    }
}

const float kBlack[4] = {0, 0, 0, 1};
const float kWhite[4] = {1, 1, 1, 1};

void BM_CopyTarget(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.copyTarget(e.demo->effectTargets[512], &e); });
}
void BM_FindEdges(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.findEdges(1.0f, kBlack, kWhite); });
}
void BM_OutlineEdges(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.outlineEdges(500.0f, kBlack); });
}
void BM_DistortSine(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) {
        const float freq[2] = {10, 10}, amp[2] = {0.01f, 0.01f}, offset[2] = {0, 0};
        e.distortSine(freq, amp, offset);
    });
}
void BM_DirectionalBlur(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.directionalBlur(0.5f, 0.0f, 2.0f, 1.0f); });
}
void BM_Blur(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.blur(0.5f, 2.0f, 1.0f); });
}
void BM_Glow128(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.glow(128, 0.5f, 2.0f, 1.0f, 1.0f); });
}
void BM_DepthOfField1(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.depthOfField(1, 0.9f, 0.5f, 0.0f, 2.0f, 96.0f, 4.0f); });
}
void BM_ColorOverlay(benchmark::State& s)
{
    runPass(s, [](Vantrel::Element& e) { e.colorOverlay(0, 0, 0, 0.5f); });
}

} // namespace

BENCHMARK(BM_CopyTarget)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindEdges)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutlineEdges)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DistortSine)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectionalBlur)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blur)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glow128)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthOfField1)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorOverlay)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
