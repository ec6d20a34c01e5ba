// The frame times of the last few seconds for the development overlay's
// graph: a fixed ring, so that adding a frame never allocates.
//
//   FrameGraph graph;
//   graph.add(frameMs);                 // once per frame
//   for (int i = 0; i < graph.count(); i++) use(graph.at(i));  // oldest first
#pragma once

namespace Vantrel {

class FrameGraph {
public:
    // Four seconds at 60 frames a second; more at the lower rates it is there to show.
    static constexpr int kFrames = 240;

    void add(float ms)
    {
        times[next] = ms;
        next = (next + 1) % kFrames;
        if (used < kFrames)
            used++;
    }
    int count() const { return used; }
    float at(int i) const { return times[(next - used + i + kFrames) % kFrames]; }

private:
    float times[kFrames] = {};
    int next = 0;
    int used = 0;
};

} // namespace Vantrel
