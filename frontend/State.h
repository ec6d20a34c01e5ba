// Render state and the matrix model.
//
// All fixed-function state changes go through these static operations, which
// take small integer codes. World lives in the modelview stack, view in the
// texture-matrix stack and projection in the projection stack; shaders get
// the six derived "State*" matrices (see computeStateMatrices).
#pragma once

namespace Frontend {

// Capability codes.
enum Capability {
    kBlend = 0,
    kDepthTest = 1,
    kAlphaTest = 2,
    kStencilTest = 3,
    kNoEffect = 4,
    kCullFace = 5,
    kNormalize = 6,
    kLineSmooth = 7,
    kPointSmooth = 8
};
// Blend factor codes.
enum BlendFactor {
    kZero = 0,
    kOne = 1,
    kSrcColor = 2,
    kOneMinusSrcColor = 3,
    kDstColor = 4,
    kOneMinusDstColor = 5,
    kSrcAlpha = 6,
    kOneMinusSrcAlpha = 7,
    kDstAlpha = 8,
    kOneMinusDstAlpha = 9
};
// Compare function codes.
enum CompareFunction {
    kAlways = 0,
    kLess = 1,
    kLessEqual = 2,
    kEqual = 3,
    kGreaterEqual = 4,
    kGreater = 5,
    kNever = 6
};
// Stencil operation codes.
enum StencilOp {
    kStencilZero = 0,
    kStencilKeep = 1,
    kStencilReplace = 2,
    kStencilIncrement = 3,
    kStencilDecrement = 4
};

// The six matrices handed to shaders, column-major like OpenGL.
struct StateMatrices {
    float world[16];
    float view[16];
    float projection[16];
    float worldView[16];      // V x W
    float viewProjection[16]; // P x V
    float complete[16];       // P x V x W
};

class State {
public:
    static void enable(int capability);
    static void disable(int capability);
    static void setBlendFunc(int source, int destination);
    static void setDepthFunc(int compare);
    static void setDepthWrite(bool enabled);

    static void setWorldMatrix(const float m[16]);
    static void getWorldMatrix(float m[16]);
    static void getViewMatrix(float m[16]);
    static void loadIdentityWorld();
    static void resetMatrices();
    static void translate(float x, float y, float z);
    static void rotate(float degrees, float x, float y, float z);
    static void scale(float x, float y, float z);
    static void lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz);
    static void perspective(float fovY, float aspect, float zNear, float zFar);
    static void pushWorld();
    static void popWorld();
    static void pushAll();
    static void popAll();

    static void setViewport(int x, int y, int width, int height);
    // Multisampling of what is drawn next, where the window has samples.
    static void setMultisample(bool enabled);
    // Returns once GL has carried out every command given so far.
    static void finish();
    static void resetState();
    static void clear(float r, float g, float b, float a, bool colour, bool depth, bool stencil);

    // Immediate mode: begin(PrimitiveType), vertexAttribute(...) per attribute, then end().
    static void begin(int primitiveType);
    static void vertexAttribute(int semantic, float x, float y, float z, float w);
    static void end();

    // Reads W, V and P from their stacks and forms the six State matrices.
    static StateMatrices computeStateMatrices();

    // Code translations; a code outside its table throws Frontend::Error.
    static unsigned glBlendFactor(int code);
    static unsigned glCompareFunction(int code);
    static unsigned glStencilOp(int code);
    // The same table under a name that <epoxy/gl.h> does not redefine (it
    // turns glStencilOp into a macro in every file that includes it).
    static unsigned glStencilOperation(int code);
    static unsigned glPrimitive(int code);
};

// Blending with these factors while the scope lasts; an overlay also draws
// with the depth test off. Blending ends off and the depth test on again.
class BlendScope {
public:
    BlendScope(int source, int destination, bool overlay = false);
    ~BlendScope();
    BlendScope(const BlendScope&) = delete;
    BlendScope& operator=(const BlendScope&) = delete;

private:
    bool depthOff;
};

} // namespace Frontend
