// Runs a fuzz target without libFuzzer: every corpus file, then a fixed
// number of seeded mutations of them (byte flips, inserts, deletes,
// splices, truncations), so ordinary test runs exercise the target too.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

std::vector<Input> loadCorpus(const std::vector<std::string>& paths)
{
    std::vector<Input> corpus;
    for (const std::string& path : paths) {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.emplace_back(path);
        }
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (corpus.empty())
        corpus.emplace_back();
    return corpus;
}

Input mutate(const std::vector<Input>& corpus, std::mt19937& random)
{
    Input input = corpus[random() % corpus.size()];
    const int edits = 1 + static_cast<int>(random() % 8);
    const char interesting[] = {'\0', '\r', '\n', ' ', ':', ';', '=', '/', '"', '-', '@', '?', '&', '9'};
    for (int i = 0; i < edits; ++i) {
        const size_t at = input.empty() ? 0 : random() % (input.size() + 1);
        switch (random() % 6) {
        case 0:
            if (at < input.size())
                input[at] = static_cast<uint8_t>(random());
            break;
        case 1:
            input.insert(input.begin() + static_cast<long>(at),
                         static_cast<uint8_t>(interesting[random() % sizeof interesting]));
            break;
        case 2:
            if (at < input.size())
                input.erase(input.begin() + static_cast<long>(at),
                            input.begin() + static_cast<long>(std::min(input.size(), at + 1 + random() % 16)));
            break;
        case 3: {
            const Input& other = corpus[random() % corpus.size()];
            if (!other.empty()) {
                const size_t from = random() % other.size();
                const size_t length = std::min<size_t>(other.size() - from, 1 + random() % 64);
                input.insert(input.begin() + static_cast<long>(at), other.begin() + static_cast<long>(from),
                             other.begin() + static_cast<long>(from + length));
            }
            break;
        }
        case 4: input.resize(at); break;
        default:
            input.insert(input.begin() + static_cast<long>(at), 1 + random() % 512,
                         static_cast<uint8_t>('0' + random() % 10));
            break;
        }
    }
    return input;
}

} // namespace

// Usage: <driver> [--mutations N] [--seed S] corpus-file-or-folder...
int main(int argc, char** argv)
{
    long mutations = 0;
    unsigned seed = 20261210;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--mutations" && i + 1 < argc)
            mutations = std::atol(argv[++i]);
        else if (argument == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else
            paths.push_back(argument);
    }
    const std::vector<Input> corpus = loadCorpus(paths);
    for (const Input& input : corpus)
        LLVMFuzzerTestOneInput(input.data(), input.size());
    std::mt19937 random(seed);
    for (long i = 0; i < mutations; ++i) {
        const Input input = mutate(corpus, random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::cout << "ran " << corpus.size() + static_cast<size_t>(mutations) << " inputs\n";
    return 0;
}
