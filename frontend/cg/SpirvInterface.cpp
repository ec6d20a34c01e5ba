// SPIR-V interface rewriting for the Cg -> GL path; see SpirvInterface.h.
//
// The module is held as a list of instructions (opcode + operand words). New
// types, constants and variables are gathered separately and emitted before the
// first function; new names are emitted with the other debug names.
#include "frontend/cg/SpirvInterface.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#define SPV_ENABLE_UTILITY_CODE
#include <spirv_cross/spirv.hpp>

namespace Frontend::Spirv {

namespace {

struct Instruction {
    uint32_t opcode = 0;
    std::vector<uint32_t> ops;
    bool removed = false;
};

std::vector<uint32_t> encodeString(std::string_view text)
{
    std::vector<uint32_t> words(text.size() / 4 + 1, 0u);
    std::memcpy(words.data(), text.data(), text.size());
    return words;
}

std::string decodeString(const std::vector<uint32_t>& ops, size_t first)
{
    std::string text;
    for (size_t i = first; i < ops.size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            char c = static_cast<char>((ops[i] >> (8 * b)) & 0xffu);
            if (c == '\0')
                return text;
            text.push_back(c);
        }
    }
    return text;
}

bool isDebugName(uint32_t op)
{
    return op == spv::OpName || op == spv::OpMemberName || op == spv::OpString || op == spv::OpSource ||
           op == spv::OpSourceExtension || op == spv::OpSourceContinued;
}

class Module {
public:
    bool parse(const std::vector<uint32_t>& words)
    {
        if (words.size() < 5 || words[0] != spv::MagicNumber)
            return false;
        header.assign(words.begin(), words.begin() + 5);
        for (size_t i = 5; i < words.size();) {
            uint32_t count = words[i] >> 16;
            if (count == 0 || i + count > words.size())
                return false;
            Instruction inst;
            inst.opcode = words[i] & 0xffffu;
            inst.ops.assign(words.begin() + i + 1, words.begin() + i + count);
            instructions.push_back(std::move(inst));
            i += count;
        }
        return true;
    }

    std::vector<uint32_t> emit() const
    {
        std::vector<uint32_t> out = header;
        out[3] = bound();
        bool namesDone = false, globalsDone = false;
        for (const Instruction& inst : instructions) {
            if (!namesDone && !isDebugName(inst.opcode) && inst.opcode != spv::OpCapability &&
                inst.opcode != spv::OpExtension && inst.opcode != spv::OpExtInstImport &&
                inst.opcode != spv::OpMemoryModel && inst.opcode != spv::OpEntryPoint &&
                inst.opcode != spv::OpExecutionMode) {
                for (const Instruction& n : newNames)
                    append(out, n);
                namesDone = true;
            }
            if (!globalsDone && inst.opcode == spv::OpFunction) {
                for (const Instruction& g : newGlobals)
                    append(out, g);
                globalsDone = true;
            }
            if (!inst.removed)
                append(out, inst);
        }
        return out;
    }

    uint32_t bound() const { return header[3]; }
    uint32_t newId() { return header[3]++; }

    // Finds a type or constant with these operands (result id excluded) or adds one.
    uint32_t findOrAdd(uint32_t opcode, std::vector<uint32_t> operands, bool hasResultType = false)
    {
        auto matches = [&](const Instruction& inst) {
            if (inst.opcode != opcode || inst.removed || inst.ops.size() != operands.size() + 1)
                return false;
            size_t resultAt = hasResultType ? 1 : 0;
            for (size_t i = 0, j = 0; i < inst.ops.size(); ++i) {
                if (i == resultAt)
                    continue;
                if (inst.ops[i] != operands[j++])
                    return false;
            }
            return true;
        };
        for (const auto* list : {&instructions, &newGlobals})
            for (const Instruction& inst : *list)
                if (matches(inst))
                    return inst.ops[hasResultType ? 1 : 0];
        uint32_t id = newId();
        operands.insert(operands.begin() + (hasResultType ? 1 : 0), id);
        newGlobals.push_back({opcode, std::move(operands)});
        return id;
    }

    const Instruction* definition(uint32_t id) const
    {
        auto it = definitions.find(id);
        return it == definitions.end() ? nullptr : &instructions[it->second];
    }

    void indexDefinitions()
    {
        definitions.clear();
        for (size_t i = 0; i < instructions.size(); ++i) {
            const Instruction& inst = instructions[i];
            bool hasResult = false, hasType = false;
            spv::HasResultAndType(static_cast<spv::Op>(inst.opcode), &hasResult, &hasType);
            if (hasResult && inst.ops.size() > (hasType ? 1u : 0u))
                definitions[inst.ops[hasType ? 1 : 0]] = i;
        }
    }

    std::vector<uint32_t> header;
    std::vector<Instruction> instructions;
    std::vector<Instruction> newGlobals;
    std::vector<Instruction> newNames;

private:
    static void append(std::vector<uint32_t>& out, const Instruction& inst)
    {
        out.push_back(static_cast<uint32_t>((inst.ops.size() + 1) << 16) | inst.opcode);
        out.insert(out.end(), inst.ops.begin(), inst.ops.end());
    }

    std::unordered_map<uint32_t, size_t> definitions;
};

// Whether an instruction passes a matching pointer on other than through an access chain.
template <typename Match>
bool usesPointerAsWhole(const Instruction& inst, Match match)
{
    switch (inst.opcode) {
    case spv::OpLoad:
    case spv::OpCopyObject:
    case spv::OpPtrAccessChain: return match(inst.ops[2]);
    case spv::OpStore: return match(inst.ops[0]);
    case spv::OpCopyMemory:
    case spv::OpCopyMemorySized: return match(inst.ops[0]) || match(inst.ops[1]);
    case spv::OpFunctionCall:
        for (size_t i = 3; i < inst.ops.size(); ++i)
            if (match(inst.ops[i]))
                return true;
        return false;
    default: return false;
    }
}

uint32_t pointeeOf(const Module& module, uint32_t pointerType)
{
    const Instruction* def = module.definition(pointerType);
    return def && def->opcode == spv::OpTypePointer ? def->ops[2] : 0;
}

uint32_t constantValue(const Module& module, uint32_t id, bool& ok)
{
    const Instruction* def = module.definition(id);
    ok = def && def->opcode == spv::OpConstant && def->ops.size() >= 3;
    return ok ? def->ops[2] : 0;
}

// Every member of every uniform block becomes a UniformConstant variable of its own.
bool flattenUniformBlocks(Module& module, InterfaceRewrite& result)
{
    std::unordered_map<uint32_t, uint32_t> blockStruct; // block variable -> struct type
    std::unordered_set<uint32_t> blockTypes;
    for (const Instruction& inst : module.instructions)
        if (inst.opcode == spv::OpDecorate && inst.ops[1] == spv::DecorationBlock)
            blockTypes.insert(inst.ops[0]);
    for (const Instruction& inst : module.instructions)
        if (inst.opcode == spv::OpVariable && inst.ops[2] == spv::StorageClassUniform &&
            blockTypes.count(pointeeOf(module, inst.ops[0])))
            blockStruct[inst.ops[1]] = pointeeOf(module, inst.ops[0]);
    if (blockStruct.empty())
        return true;

    std::unordered_map<uint64_t, std::string> memberNames; // (struct << 32 | member) -> name
    for (const Instruction& inst : module.instructions)
        if (inst.opcode == spv::OpMemberName)
            memberNames[(uint64_t(inst.ops[0]) << 32) | inst.ops[1]] = decodeString(inst.ops, 2);

    std::unordered_map<uint64_t, uint32_t> memberVariables;
    auto memberVariable = [&](uint32_t structType, uint32_t member) -> uint32_t {
        uint64_t key = (uint64_t(structType) << 32) | member;
        auto found = memberVariables.find(key);
        if (found != memberVariables.end())
            return found->second;
        const Instruction* def = module.definition(structType);
        if (!def || member + 1 >= def->ops.size())
            return 0;
        uint32_t pointer =
            module.findOrAdd(spv::OpTypePointer, {spv::StorageClassUniformConstant, def->ops[member + 1]});
        uint32_t variable = module.newId();
        module.newGlobals.push_back({spv::OpVariable, {pointer, variable, spv::StorageClassUniformConstant}});
        std::string name = memberNames[key];
        std::vector<uint32_t> nameOps{variable};
        for (uint32_t w : encodeString(name))
            nameOps.push_back(w);
        module.newNames.push_back({spv::OpName, std::move(nameOps)});
        result.uniforms.push_back({variable, name});
        memberVariables[key] = variable;
        return variable;
    };

    for (Instruction& inst : module.instructions) {
        bool chain = inst.opcode == spv::OpAccessChain || inst.opcode == spv::OpInBoundsAccessChain;
        if (chain && blockStruct.count(inst.ops[2])) {
            bool constant = false;
            uint32_t member = inst.ops.size() > 3 ? constantValue(module, inst.ops[3], constant) : 0;
            uint32_t variable = constant ? memberVariable(blockStruct[inst.ops[2]], member) : 0;
            if (!variable) {
                result.error = "a uniform parameter is indexed in a way the GL path does not support";
                return false;
            }
            uint32_t pointee = pointeeOf(module, inst.ops[0]);
            inst.ops[0] = module.findOrAdd(spv::OpTypePointer, {spv::StorageClassUniformConstant, pointee});
            inst.ops[2] = variable;
            inst.ops.erase(inst.ops.begin() + 3);
            continue;
        }
        if (inst.opcode == spv::OpVariable && blockStruct.count(inst.ops[1])) {
            inst.removed = true;
            continue;
        }
        if (inst.opcode == spv::OpName || inst.opcode == spv::OpDecorate) {
            if (blockStruct.count(inst.ops[0]))
                inst.removed = true;
            continue;
        }
        if (usesPointerAsWhole(inst, [&](uint32_t id) { return blockStruct.count(id) != 0; })) {
            result.error = "uniform parameters are used as a whole, which the GL path does not support";
            return false;
        }
    }
    return true;
}

struct Widened {
    uint32_t oldPointee = 0;
    uint32_t components = 0;
};

// Widens float varyings of 1 to 3 components to vec4; stores pad with (0, 0, 0, 1).
bool widenVaryings(Module& module, InterfaceRewrite& result, bool vertexStage)
{
    uint32_t floatType = module.findOrAdd(spv::OpTypeFloat, {32});
    uint32_t vec4Type = module.findOrAdd(spv::OpTypeVector, {floatType, 4});
    std::unordered_map<uint32_t, Widened> widened;
    for (const StageVariable& var : result.stageVariables) {
        if (var.output != vertexStage || !isUserVarying(var.semantic, vertexStage))
            continue;
        const Instruction* def = module.definition(var.id);
        uint32_t pointee = def ? pointeeOf(module, def->ops[0]) : 0;
        const Instruction* type = module.definition(pointee);
        if (!type)
            continue;
        if (type->opcode == spv::OpTypeFloat && type->ops[1] == 32)
            widened[var.id] = {pointee, 1};
        else if (type->opcode == spv::OpTypeVector && type->ops[1] == floatType && type->ops[2] < 4)
            widened[var.id] = {pointee, type->ops[2]};
    }
    if (widened.empty())
        return true;

    uint32_t storage = vertexStage ? spv::StorageClassOutput : spv::StorageClassInput;
    uint32_t vec4Pointer = module.findOrAdd(spv::OpTypePointer, {storage, vec4Type});
    uint32_t zero = module.findOrAdd(spv::OpConstant, {floatType, 0u}, true);
    uint32_t one = module.findOrAdd(spv::OpConstant, {floatType, 0x3f800000u}, true);

    std::vector<Instruction> rewritten;
    rewritten.reserve(module.instructions.size() + 16);
    for (Instruction& inst : module.instructions) {
        if (inst.opcode == spv::OpVariable && widened.count(inst.ops[1])) {
            inst.ops[0] = vec4Pointer;
        } else if (inst.opcode == spv::OpStore && widened.count(inst.ops[0])) {
            const Widened& w = widened[inst.ops[0]];
            uint32_t wide = module.newId();
            std::vector<uint32_t> parts{vec4Type, wide, inst.ops[1]};
            for (uint32_t c = w.components; c < 3; ++c)
                parts.push_back(zero);
            parts.push_back(one);
            rewritten.push_back({spv::OpCompositeConstruct, std::move(parts)});
            inst.ops[1] = wide;
        } else if (inst.opcode == spv::OpLoad && widened.count(inst.ops[2])) {
            const Widened& w = widened[inst.ops[2]];
            uint32_t wide = module.newId();
            rewritten.push_back({spv::OpLoad, {vec4Type, wide, inst.ops[2]}});
            if (w.components == 1) {
                rewritten.push_back({spv::OpCompositeExtract, {w.oldPointee, inst.ops[1], wide, 0u}});
            } else {
                std::vector<uint32_t> shuffle{w.oldPointee, inst.ops[1], wide, wide};
                for (uint32_t c = 0; c < w.components; ++c)
                    shuffle.push_back(c);
                rewritten.push_back({spv::OpVectorShuffle, std::move(shuffle)});
            }
            continue;
        } else if (inst.opcode == spv::OpCopyMemory && (widened.count(inst.ops[0]) || widened.count(inst.ops[1]))) {
            result.error = "a varying is copied as a whole, which the GL path does not support";
            return false;
        }
        rewritten.push_back(std::move(inst));
    }
    module.instructions = std::move(rewritten);
    return true;
}

// The bool width of a type: 1 for bool, n for an n-vector of bools, 0 otherwise.
uint32_t boolWidth(const Module& module, const Instruction* type)
{
    if (type && type->opcode == spv::OpTypeBool)
        return 1;
    if (type && type->opcode == spv::OpTypeVector) {
        const Instruction* component = module.definition(type->ops[1]);
        if (component && component->opcode == spv::OpTypeBool)
            return type->ops[2];
    }
    return 0;
}

struct AsInteger {
    uint32_t boolType = 0;
    uint32_t intType = 0;
    uint32_t zero = 0;
    uint32_t one = 0;
};

// GL has no bool varyings: they travel as (flat) integers, 1 for true, the
// way Cg's runtime carries them. Stores select, loads compare with 0.
bool boolVaryingsAsIntegers(Module& module, InterfaceRewrite& result, bool vertexStage)
{
    std::unordered_map<uint32_t, AsInteger> converted;
    for (const StageVariable& var : result.stageVariables) {
        if (var.output != vertexStage || !isUserVarying(var.semantic, vertexStage))
            continue;
        const Instruction* def = module.definition(var.id);
        uint32_t pointee = def ? pointeeOf(module, def->ops[0]) : 0;
        uint32_t width = boolWidth(module, module.definition(pointee));
        if (width == 0)
            continue;
        AsInteger a{pointee, module.findOrAdd(spv::OpTypeInt, {32, 1})};
        a.zero = module.findOrAdd(spv::OpConstant, {a.intType, 0u}, true);
        a.one = module.findOrAdd(spv::OpConstant, {a.intType, 1u}, true);
        if (width > 1) {
            a.intType = module.findOrAdd(spv::OpTypeVector, {a.intType, width});
            std::vector<uint32_t> zeros(width + 1, a.zero), ones(width + 1, a.one);
            zeros[0] = ones[0] = a.intType;
            a.zero = module.findOrAdd(spv::OpConstantComposite, zeros, true);
            a.one = module.findOrAdd(spv::OpConstantComposite, ones, true);
        }
        converted[var.id] = a;
    }
    if (converted.empty())
        return true;
    uint32_t storage = vertexStage ? spv::StorageClassOutput : spv::StorageClassInput;
    std::vector<Instruction> rewritten;
    rewritten.reserve(module.instructions.size() + 16);
    for (Instruction& inst : module.instructions) {
        bool chain = inst.opcode == spv::OpAccessChain || inst.opcode == spv::OpInBoundsAccessChain;
        if (inst.opcode == spv::OpVariable && converted.count(inst.ops[1])) {
            inst.ops[0] = module.findOrAdd(spv::OpTypePointer, {storage, converted[inst.ops[1]].intType});
        } else if (inst.opcode == spv::OpStore && converted.count(inst.ops[0])) {
            const AsInteger& a = converted[inst.ops[0]];
            uint32_t value = module.newId();
            rewritten.push_back({spv::OpSelect, {a.intType, value, inst.ops[1], a.one, a.zero}});
            inst.ops[1] = value;
        } else if (inst.opcode == spv::OpLoad && converted.count(inst.ops[2])) {
            const AsInteger& a = converted[inst.ops[2]];
            uint32_t value = module.newId();
            rewritten.push_back({spv::OpLoad, {a.intType, value, inst.ops[2]}});
            rewritten.push_back({spv::OpINotEqual, {a.boolType, inst.ops[1], value, a.zero}});
            continue;
        } else if ((chain && converted.count(inst.ops[2])) ||
                   (inst.opcode == spv::OpCopyMemory &&
                    (converted.count(inst.ops[0]) || converted.count(inst.ops[1])))) {
            result.error = "a bool varying is accessed by component or copied, which the GL path does not support";
            return false;
        }
        rewritten.push_back(std::move(inst));
    }
    module.instructions = std::move(rewritten);
    module.indexDefinitions();
    return true;
}

// Cg's VFACE is a float, +1 for front faces and -1 for back faces; GL has the
// boolean gl_FrontFacing. The input becomes a bool and every load selects.
void rewriteFrontFacing(Module& module, const InterfaceRewrite& result)
{
    uint32_t face = 0;
    for (const StageVariable& var : result.stageVariables)
        if (!var.output && var.semantic == "VFACE0")
            face = var.id;
    if (!face)
        return;
    uint32_t floatType = module.findOrAdd(spv::OpTypeFloat, {32});
    uint32_t boolType = module.findOrAdd(spv::OpTypeBool, {});
    uint32_t boolPointer = module.findOrAdd(spv::OpTypePointer, {spv::StorageClassInput, boolType});
    uint32_t one = module.findOrAdd(spv::OpConstant, {floatType, 0x3f800000u}, true);
    uint32_t minusOne = module.findOrAdd(spv::OpConstant, {floatType, 0xbf800000u}, true);
    std::vector<Instruction> rewritten;
    rewritten.reserve(module.instructions.size() + 4);
    for (Instruction& inst : module.instructions) {
        if (inst.opcode == spv::OpVariable && inst.ops[1] == face) {
            inst.ops[0] = boolPointer;
        } else if (inst.opcode == spv::OpLoad && inst.ops[2] == face) {
            uint32_t front = module.newId();
            rewritten.push_back({spv::OpLoad, {boolType, front, face}});
            rewritten.push_back({spv::OpSelect, {inst.ops[0], inst.ops[1], front, one, minusOne}});
            continue;
        }
        rewritten.push_back(std::move(inst));
    }
    module.instructions = std::move(rewritten);
}

// The load of a global sampler whose size an image operand asks for,
// directly or through OpImage (its type in imageType); null for anything else.
const Instruction* queriedSamplerLoad(const Module& module, uint32_t image, uint32_t& imageType)
{
    const Instruction* def = module.definition(image);
    imageType = 0;
    if (def && def->opcode == spv::OpImage) {
        imageType = def->ops[0];
        def = module.definition(def->ops[2]);
    }
    if (!def || def->opcode != spv::OpLoad)
        return nullptr;
    const Instruction* variable = module.definition(def->ops[2]);
    bool global = variable && variable->opcode == spv::OpVariable && variable->ops[2] == spv::StorageClassUniformConstant;
    return global ? def : nullptr;
}

// Texel offsets and rectangle coordinates divide by the texture's size, and
// every lookup asked for it again, in loops too. Each function now asks once
// per sampler and level, at its start; the former queries copy that answer.
void querySizesOncePerSampler(Module& module)
{
    struct Query {
        uint32_t variable, lod, resultType;
        bool operator==(const Query& o) const
        {
            return variable == o.variable && lod == o.lod && resultType == o.resultType;
        }
    };
    module.indexDefinitions();
    std::vector<Instruction> rewritten;
    rewritten.reserve(module.instructions.size() + 16);
    std::vector<std::pair<Query, uint32_t>> asked; // in the current function
    size_t insertAt = 0;                          // after the first block's variables
    std::vector<Instruction> hoisted;
    auto flush = [&] {
        rewritten.insert(rewritten.begin() + static_cast<std::ptrdiff_t>(insertAt), hoisted.begin(), hoisted.end());
        hoisted.clear();
        asked.clear();
    };
    bool inFirstBlock = false;
    // Copies, not moves: the loads that queries name are looked up in the original list.
    for (const Instruction& inst : module.instructions) {
        if (inst.opcode == spv::OpFunction)
            insertAt = 0;
        if (inst.opcode == spv::OpLabel && insertAt == 0) {
            rewritten.push_back(inst);
            insertAt = rewritten.size();
            inFirstBlock = true;
            continue;
        }
        if (inFirstBlock && (inst.opcode == spv::OpVariable || inst.opcode == spv::OpLine)) {
            rewritten.push_back(inst);
            insertAt = rewritten.size();
            continue;
        }
        inFirstBlock = false;
        if (inst.opcode == spv::OpFunctionEnd)
            flush();
        bool lodConstant = false;
        uint32_t imageType = 0;
        if (inst.opcode == spv::OpImageQuerySizeLod && !inst.removed) {
            constantValue(module, inst.ops[3], lodConstant);
            const Instruction* load = lodConstant ? queriedSamplerLoad(module, inst.ops[2], imageType) : nullptr;
            if (load) {
                uint32_t variable = load->ops[2];
                Query q{variable, inst.ops[3], inst.ops[0]};
                auto found = std::find_if(asked.begin(), asked.end(), [&](const auto& a) { return a.first == q; });
                uint32_t answer = found != asked.end() ? found->second : 0;
                if (!answer) {
                    uint32_t sampler = module.newId();
                    hoisted.push_back({spv::OpLoad, {load->ops[0], sampler, variable}});
                    uint32_t image = sampler;
                    if (imageType) {
                        image = module.newId();
                        hoisted.push_back({spv::OpImage, {imageType, image, sampler}});
                    }
                    answer = module.newId();
                    hoisted.push_back({spv::OpImageQuerySizeLod, {inst.ops[0], answer, image, inst.ops[3]}});
                    asked.emplace_back(q, answer);
                }
                rewritten.push_back({spv::OpCopyObject, {inst.ops[0], inst.ops[1], answer}});
                continue;
            }
        }
        rewritten.push_back(inst);
    }
    module.instructions = std::move(rewritten);
    module.indexDefinitions();
}

void collectStageVariables(const Module& module, InterfaceRewrite& result)
{
    std::unordered_map<uint32_t, std::string> semantics;
    std::unordered_set<uint32_t> builtIns;
    for (const Instruction& inst : module.instructions) {
        if (inst.opcode == spv::OpDecorateString && inst.ops[1] == spv::DecorationHlslSemanticGOOGLE)
            semantics[inst.ops[0]] = canonicalSemantic(decodeString(inst.ops, 2));
        if (inst.opcode == spv::OpDecorate && inst.ops[1] == spv::DecorationBuiltIn)
            builtIns.insert(inst.ops[0]);
    }
    for (const Instruction& inst : module.instructions) {
        if (inst.opcode != spv::OpVariable || builtIns.count(inst.ops[1]))
            continue;
        uint32_t storage = inst.ops[2];
        if (storage != spv::StorageClassInput && storage != spv::StorageClassOutput)
            continue;
        auto found = semantics.find(inst.ops[1]);
        if (found != semantics.end())
            result.stageVariables.push_back({inst.ops[1], storage == spv::StorageClassOutput, found->second});
    }
}

// Non-opaque uniforms that the front end already left loose (members of
// file-scope structs that hold a sampler, for example).
void collectLooseUniforms(const Module& module, InterfaceRewrite& result)
{
    std::unordered_map<uint32_t, std::string> names;
    for (const Instruction& inst : module.instructions)
        if (inst.opcode == spv::OpName)
            names[inst.ops[0]] = decodeString(inst.ops, 1);
    for (const Instruction& inst : module.instructions) {
        if (inst.opcode != spv::OpVariable || inst.ops[2] != spv::StorageClassUniformConstant)
            continue;
        const Instruction* type = module.definition(pointeeOf(module, inst.ops[0]));
        while (type && (type->opcode == spv::OpTypeArray || type->opcode == spv::OpTypeRuntimeArray))
            type = module.definition(type->ops[1]);
        bool opaque = type && (type->opcode == spv::OpTypeImage || type->opcode == spv::OpTypeSampler ||
                               type->opcode == spv::OpTypeSampledImage);
        if (type && !opaque)
            result.uniforms.push_back({inst.ops[1], names[inst.ops[1]]});
    }
}

} // namespace

std::string canonicalSemantic(std::string_view semantic)
{
    std::string text(semantic);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.back())))
        text += '0';
    return text;
}

bool isUserVarying(const std::string& semantic, bool vertexStage)
{
    static const char* const vertexBuiltIns[] = {"POSITION0", "SV_POSITION0", "PSIZE0"};
    static const char* const fragmentBuiltIns[] = {"POSITION0", "SV_POSITION0", "VPOS0",
                                                   "WPOS0",     "VFACE0",       "SV_ISFRONTFACE0"};
    if (vertexStage)
        return std::none_of(std::begin(vertexBuiltIns), std::end(vertexBuiltIns),
                            [&](const char* s) { return semantic == s; });
    return std::none_of(std::begin(fragmentBuiltIns), std::end(fragmentBuiltIns),
                        [&](const char* s) { return semantic == s; });
}

InterfaceRewrite rewriteInterface(std::vector<uint32_t>& words, bool vertexStage)
{
    InterfaceRewrite result;
    Module module;
    if (!module.parse(words)) {
        result.ok = false;
        result.error = "the SPIR-V module is malformed";
        return result;
    }
    module.indexDefinitions();
    collectStageVariables(module, result);
    collectLooseUniforms(module, result);
    result.ok = flattenUniformBlocks(module, result) && boolVaryingsAsIntegers(module, result, vertexStage) &&
                widenVaryings(module, result, vertexStage);
    if (result.ok && !vertexStage)
        rewriteFrontFacing(module, result);
    if (result.ok)
        querySizesOncePerSampler(module);
    if (result.ok)
        words = module.emit();
    return result;
}

} // namespace Frontend::Spirv
