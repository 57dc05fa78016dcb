#include "platform/resources.h"

#include "platform/text.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct ResourceRegistry {
    std::mutex mutex;
    std::map<std::string, std::string> entries; // key: TYPE '\0' NAME
};

ResourceRegistry& Registry() {
    static ResourceRegistry registry;
    return registry;
}

std::string KeyOf(std::string_view type, std::string_view name) {
    std::string key = ToUpper(type);
    key.push_back('\0');
    key += ToUpper(name);
    return key;
}

std::string IdName(std::uint32_t id) { return Format("#%u", id); }

KvResult LoadByKey(const std::string& key, std::string& out, std::size_t max_bytes) {
    ResourceRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.entries.find(key);
    if (found == registry.entries.end())
        return KV_E_RESOURCE_NOT_FOUND;
    if (found->second.empty() || found->second.size() > max_bytes)
        return KV_E_RESOURCE_NOT_LOADABLE;
    out = found->second;
    return KV_OK;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

void RegisterResource(std::string_view type, std::string_view name, std::string bytes) {
    ResourceRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.entries[KeyOf(type, name)] = std::move(bytes);
}

void RegisterResource(std::string_view type, std::uint32_t id, std::string bytes) {
    RegisterResource(type, IdName(id), std::move(bytes));
}

void UnregisterAllResources() {
    ResourceRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.entries.clear();
}

KvResult LoadResource(std::string_view type, std::string_view name, std::string& out,
                      std::size_t max_bytes) {
    return LoadByKey(KeyOf(type, name), out, max_bytes);
}

KvResult LoadResource(std::string_view type, std::uint32_t id, std::string& out,
                      std::size_t max_bytes) {
    return LoadByKey(KeyOf(type, IdName(id)), out, max_bytes);
}

KvResult ReadWholeFile(const std::string& path, std::string& out, std::size_t max_bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(ToNativePath(path).c_str(), "rb"));
    if (!file)
        return KV_E_RESOURCE_NOT_FOUND;
    std::string bytes;
    // A regular file that tells its size is read in one piece of that size:
    // appending chunks to a growing text costs more than the read itself.
    // Pipes and files such as /proc's, which give no size, are read in
    // chunks, as is whatever a file gained since its size was taken.
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size > 0) {
        const auto size = static_cast<std::uint64_t>(status.st_size);
        if (size > max_bytes)
            return KV_E_RESOURCE_NOT_LOADABLE;
        bytes.resize(static_cast<std::size_t>(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    }
    char buffer[65536];
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
        if (count == 0)
            break;
        if (bytes.size() + count > max_bytes)
            return KV_E_RESOURCE_NOT_LOADABLE;
        bytes.append(buffer, count);
    }
    if (std::ferror(file.get()) || bytes.empty())
        return KV_E_RESOURCE_NOT_LOADABLE;
    out = std::move(bytes);
    return KV_OK;
}

std::string ToNativePath(std::string_view path) {
    std::string native(path);
    for (char& c : native) {
        if (c == '\\')
            c = '/';
    }
    return native;
}
