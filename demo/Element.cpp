#include "demo/Element.h"

#include <algorithm>

#include "demo/Demo.h"
#include "frontend/Error.h"

namespace Vantrel {

Element::Element(Demo* owner, const std::string& name, int w, int h)
    : Frontend::RenderTarget(owner->scaledSide(w), owner->scaledSide(h), true, true),
      Drawable(owner, name),
      width(w),
      height(h),
      madeScale(owner->renderScale),
      activeScale(owner->renderScale),
      active(this)
{
    scaledTargets[0] = scaledTarget(width);
    scaledTargets[1] = scaledTarget(std::max(width / 2, 4));
    scaledTargets[2] = scaledTarget(std::max(width / 4, 4));
    scaledTargets[3] = scaledTarget(std::max(width / 8, 4));
}

Element* Element::scaledTarget(int size)
{
    // While the pool of working targets is being built, the target of the size
    // under construction is this very Element; smaller ones are already there.
    TargetResourceProxy& pool = demo->targets;
    if (size == width && pool.isBuilding() && !pool.contains(size))
        return this;
    return pool[size];
}

Element* Element::scratchTarget()
{
    return (*effectTargets)[width];
}

void Element::bind()
{
    active->bind();
}

void Element::useScale(float scale)
{
    if (scale == activeScale)
        return;
    active = targetAt(scale);
    activeScale = scale;
}

Frontend::RenderTarget* Element::targetAt(float scale)
{
    if (scale == madeScale)
        return this;
    for (ScaledTarget& other : otherScales) {
        if (other.scale == scale)
            return other.target.get();
        if (!other.target) {
            other.scale = scale;
            other.target = std::make_unique<Frontend::RenderTarget>(Demo::sideAtScale(width, scale),
                                                                    Demo::sideAtScale(height, scale), true, true);
            return other.target.get();
        }
    }
    throw Frontend::Error("an Element has room for " + std::to_string(kOtherScales) + " render scales besides its own");
}

void Element::renderSpan(float start, float length)
{
    bind();
    Drawable::renderSpan(start, length);
    Frontend::RenderTarget::unbind();
}

} // namespace Vantrel
