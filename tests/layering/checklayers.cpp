// The include-direction guard: every `#include "folder/…"` of a source under ROOT/src names a folder of the
// same layer or of a layer below it, in the order that src/CMakeLists.txt gives in QUELMAR_LAYERS. Each include
// against the order is printed with its file and line, and the exit status is 1.
//
//   checklayers ROOT
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> layerOrder(const fs::path& root)
{
    std::ifstream file(root / "src" / "CMakeLists.txt");
    static const std::regex declaration(R"(^\s*set\(QUELMAR_LAYERS\s+([^)]*)\))");
    std::string line;
    while (std::getline(file, line)) {
        std::smatch found;
        if (std::regex_search(line, found, declaration)) {
            std::istringstream names(found[1].str());
            std::vector<std::string> layers;
            for (std::string name; names >> name;)
                layers.push_back(name);
            return layers;
        }
    }
    return {};
}

long position(const std::vector<std::string>& layers, const std::string& folder)
{
    const auto found = std::find(layers.begin(), layers.end(), folder);
    return found == layers.end() ? -1 : found - layers.begin();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: checklayers ROOT\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::vector<std::string> layers = layerOrder(root);
    if (layers.empty()) {
        std::cerr << (root / "src" / "CMakeLists.txt").string() << " does not set QUELMAR_LAYERS\n";
        return 2;
    }

    static const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
    std::vector<fs::path> sources;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / "src")) {
        const fs::path extension = entry.path().extension();
        if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
            sources.push_back(entry.path());
    }
    std::sort(sources.begin(), sources.end());

    int violations = 0;
    for (const fs::path& source : sources) {
        const fs::path relative = fs::relative(source, root / "src");
        const std::string folder = relative.begin()->string();
        const long own = position(layers, folder);
        if (own < 0)
            continue;
        std::ifstream file(source);
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            std::smatch found;
            if (!std::regex_search(line, found, include))
                continue;
            const std::string target = found[1].str();
            if (position(layers, target) > own) {
                std::cout << "src/" << relative.generic_string() << ':' << number << ": the " << folder
                          << " layer includes \"" << target << "/\", a layer above it\n";
                ++violations;
            }
        }
    }
    if (violations > 0) {
        std::cout << violations << " include(s) against the layer order:";
        for (const std::string& layer : layers)
            std::cout << ' ' << layer;
        std::cout << '\n';
        return 1;
    }
    std::cout << "Every include follows the layer order.\n";
    return 0;
}
