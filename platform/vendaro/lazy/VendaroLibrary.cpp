#include "VendaroLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace vendaro_import {
namespace {

constexpr const char* kLibraryName = "libvendaro.so";

// Not registered with spdlog's registry: the program's own logging set-up and
// shut-down never touch it, and the player missing shows on standard error.
spdlog::logger& Log()
{
    static spdlog::logger logger("vendaro_import", std::make_shared<spdlog::sinks::stderr_sink_mt>());
    return logger;
}

// The folder of the module this code was linked into: a shared library's own
// path, or the program's file for the main program (whose loader name is empty).
std::filesystem::path ModuleFolder()
{
    Dl_info info{};
    link_map* module = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&ModuleFolder), &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) &&
        module && module->l_name && module->l_name[0] != '\0')
        return std::filesystem::path(module->l_name).parent_path();
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

void* Open()
{
    const std::string path = (ModuleFolder() / kLibraryName).string();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        Log().error("the player library cannot be loaded, no video is decoded or shown: {}", dlerror());
    return handle;
}

void* Library()
{
    static void* const handle = Open();
    return handle;
}

} // namespace

void* Resolve(const char* name)
{
    void* library = Library();
    if (!library)
        return nullptr;
    dlerror();
    void* address = dlsym(library, name);
    if (!address) {
        const char* reason = dlerror();
        Log().error("{} is missing from the player library: {}", name, reason ? reason : "no such symbol");
    }
    return address;
}

} // namespace vendaro_import
