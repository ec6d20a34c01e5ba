// A test fixture holding the whole production, loaded once per test program
// from the generated data (build/run/data), with helpers to render a scene's
// picture or the composed window at a demo time.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "demo/Element.h"
#include "prod/Prod.h"
#include "tests/support/engine/RunDirectory.h"

namespace TestSupport {

class ProductionFixture : public testing::Test {
protected:
    static void SetUpTestSuite();

    // The first timeline entry of a scene class.
    template <typename Scene>
    static const Vantrel::TimelineEntry& entryOf()
    {
        for (const Vantrel::TimelineEntry& entry : prod->timeline)
            if (dynamic_cast<Scene*>(entry.element))
                return entry;
        throw std::runtime_error("scene not on the timeline");
    }

    // The picture of the entry's Element at local time t (even beyond its span).
    static std::vector<unsigned char> pictureAt(const Vantrel::TimelineEntry& entry, float t);
    // The composed window at demo time t.
    static std::vector<unsigned char> frameAt(float t);
    // Mean of the colour channels, 0 to 255.
    static double brightness(const std::vector<unsigned char>& pixels);

    static Prod::Prod* prod;

private:
    static RunDirectory* run;
};

} // namespace TestSupport
