#include "platform/local_identity.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <pwd.h>
#include <unistd.h>

namespace {

std::atomic<LocalIdentitySource*>& InstalledSource() {
    static std::atomic<LocalIdentitySource*> source{nullptr};
    return source;
}

bool IsLoopback(std::uint32_t address) {
    return (address >> 24) == 127;
}

} // namespace

bool SystemLocalIdentitySource::GetUserName(std::string& name) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        name = found->pw_name;
        return true;
    }
    const char* user = std::getenv("USER");
    if (user == nullptr)
        return false;
    name = user;
    return true;
}

bool SystemLocalIdentitySource::GetHostName(std::string& name) {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return false;
    name = buffer;
    return true;
}

bool SystemLocalIdentitySource::GetAddresses(std::vector<std::uint32_t>& addresses) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    addresses.clear();
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        addresses.push_back(ntohl(address->sin_addr.s_addr));
    }
    ::freeifaddrs(list);
    return true;
}

bool FixedLocalIdentitySource::GetUserName(std::string& name) {
    name = user_name_;
    return true;
}

bool FixedLocalIdentitySource::GetHostName(std::string& name) {
    name = host_name_;
    return true;
}

bool FixedLocalIdentitySource::GetAddresses(std::vector<std::uint32_t>& addresses) {
    if (!addresses_readable_)
        return false;
    addresses = addresses_;
    return true;
}

std::uint32_t SelectIdentityAddress(const std::vector<std::uint32_t>& addresses) {
    for (std::uint32_t address : addresses) {
        if (address != 0 && !IsLoopback(address))
            return address;
    }
    return kLoopbackAddress;
}

LocalIdentitySource& GetLocalIdentitySource() {
    static SystemLocalIdentitySource system;
    LocalIdentitySource* installed = InstalledSource().load(std::memory_order_acquire);
    return installed != nullptr ? *installed : system;
}

void SetLocalIdentitySource(LocalIdentitySource* source) {
    InstalledSource().store(source, std::memory_order_release);
}
