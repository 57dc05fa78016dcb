#pragma once
// Stand-ins for a module's resource section and for reading files.
//
// A Linux module has no resource section: a process-wide registry maps a
// resource type and a name (or a numeric id) to bytes. It is empty until
// something registers a resource, so every look-up then gives "not found".

#include "platform/result_codes.h"

#include <cstdint>
#include <string>
#include <string_view>

// Whole files and resources larger than this are refused.
inline constexpr std::size_t kMaxLoadBytes = 64u * 1024u * 1024u;

// Registers (or replaces) a resource. Names and types compare without regard
// to ASCII case, as resource names do.
void RegisterResource(std::string_view type, std::string_view name, std::string bytes);
void RegisterResource(std::string_view type, std::uint32_t id, std::string bytes);
void UnregisterAllResources();

// KV_OK and the bytes; KV_E_RESOURCE_NOT_FOUND when there is no such
// resource; KV_E_RESOURCE_NOT_LOADABLE when it is empty or larger than the cap.
KvResult LoadResource(std::string_view type, std::string_view name, std::string& out,
                      std::size_t max_bytes = kMaxLoadBytes);
KvResult LoadResource(std::string_view type, std::uint32_t id, std::string& out,
                      std::size_t max_bytes = kMaxLoadBytes);

// Reads a whole file. KV_E_RESOURCE_NOT_FOUND when it cannot be opened;
// KV_E_RESOURCE_NOT_LOADABLE when it is empty, larger than the cap or cannot
// be read.
KvResult ReadWholeFile(const std::string& path, std::string& out,
                       std::size_t max_bytes = kMaxLoadBytes);

// File names taken from description files use "\" as separator.
std::string ToNativePath(std::string_view path);
