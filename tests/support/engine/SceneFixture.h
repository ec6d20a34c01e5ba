// A test fixture for drawing into one small square Element of a TestDemo
// loaded from a throw-away run directory, which is the working directory
// while the test runs.
//
//   class Passes : public TestSupport::SceneFixture {
//   protected:
//       Passes() : SceneFixture("passes", 64) {}
//       void SetUp() override { run.writePicture("white.png", 8, 8, 255, 255, 255); load(); }
//   };
#pragma once

#include <gtest/gtest.h>

#include "demo/Element.h"
#include "tests/support/engine/RunDirectory.h"

namespace TestSupport {

// An Element with nothing of its own to draw: tests draw into it.
class SquareElement : public Vantrel::Element {
public:
    SquareElement(Vantrel::Demo* owner, int side) : Vantrel::Element(owner, "Untitled", side, side) {}
};

class SceneFixture : public testing::Test {
protected:
    SceneFixture(const char* tag, int elementSide) : run(tag), side(elementSide) {}

    // Loads the catalogues from the run directory (write the test's pictures
    // first), then creates the Element, which goes with the demo.
    void load()
    {
        demo.loadAndPrepare();
        scene = demo.own(new SquareElement(&demo, side));
    }

    RunDirectory run;
    TestDemo demo;
    const int side;
    Vantrel::Element* scene = nullptr;
};

} // namespace TestSupport
