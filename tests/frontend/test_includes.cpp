// The units of frontend/ (a .cpp with its .h) include one another without a
// circle, so each can be read, and rebuilt, on top of the ones below it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Graph = std::map<std::string, std::set<std::string>>;

// "frontend/cg/CgCompiler" for both frontend/cg/CgCompiler.h and .cpp.
std::string unitOf(const fs::path& file)
{
    return fs::path(file).replace_extension().string();
}

Graph unitIncludes(const fs::path& root, const std::string& folder)
{
    Graph graph;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        const fs::path file = entry.path().lexically_relative(root);
        if (file.extension() != ".h" && file.extension() != ".cpp")
            continue;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            const std::string directive = "#include \"";
            if (line.rfind(directive, 0) != 0)
                continue;
            const std::string included =
                line.substr(directive.size(), line.find('"', directive.size()) - directive.size());
            if (included.rfind(folder + "/", 0) == 0 && unitOf(included) != unitOf(file))
                graph[unitOf(file)].insert(unitOf(included));
        }
    }
    return graph;
}

// Depth first; returns the first circle found as "a -> b -> a", or "".
std::string findCircle(const Graph& graph, const std::string& unit, std::vector<std::string>& path,
                       std::set<std::string>& done)
{
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == unit) {
            std::string chain;
            for (size_t j = i; j < path.size(); ++j)
                chain += path[j] + " -> ";
            return chain + unit;
        }
    }
    if (done.count(unit))
        return "";
    path.push_back(unit);
    auto found = graph.find(unit);
    if (found != graph.end())
        for (const std::string& next : found->second)
            if (std::string circle = findCircle(graph, next, path, done); !circle.empty())
                return circle;
    path.pop_back();
    done.insert(unit);
    return "";
}

} // namespace

TEST(Includes, FrontendUnitsFormNoCircle)
{
    const Graph graph = unitIncludes(VANTREL_SOURCE_DIR, "frontend");
    ASSERT_GT(graph.size(), 10u) << "the scan found frontend/'s includes";
    EXPECT_TRUE(graph.at("frontend/Texture").count("frontend/Platform")) << "the scan follows .cpp includes";
    std::set<std::string> done;
    for (const auto& [unit, includes] : graph) {
        std::vector<std::string> path;
        EXPECT_EQ(findCircle(graph, unit, path, done), "");
    }
}
