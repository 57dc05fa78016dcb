#include "platform/name_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<NameResolver> resolver;
};

Installed& TheInstalled() {
    static Installed installed;
    return installed;
}

const std::shared_ptr<NameResolver>& TheSystemResolver() {
    static const std::shared_ptr<NameResolver> resolver = std::make_shared<SystemNameResolver>();
    return resolver;
}

} // namespace

NameResolver& GetNameResolver() {
    return *ShareNameResolver();
}

std::shared_ptr<NameResolver> ShareNameResolver() {
    Installed& installed = TheInstalled();
    std::lock_guard lock(installed.mutex);
    return installed.resolver ? installed.resolver : TheSystemResolver();
}

void SetNameResolver(std::shared_ptr<NameResolver> resolver) {
    Installed& installed = TheInstalled();
    std::shared_ptr<NameResolver> replaced;
    std::lock_guard lock(installed.mutex);
    replaced.swap(installed.resolver);
    installed.resolver = std::move(resolver);
}

bool SystemNameResolver::LookupName(std::uint32_t address, std::string& name) {
    sockaddr_in socket_address{};
    socket_address.sin_family = AF_INET;
    socket_address.sin_addr.s_addr = htonl(address);
    char host[NI_MAXHOST] = {};
    // A reverse look-up without an answer fails instead of giving the
    // address back as text.
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socket_address), sizeof socket_address, host,
                    sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
        return false;
    name = host;
    return true;
}

bool SystemNameResolver::LookupAddress(const std::string& name, std::uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &results) != 0 || results == nullptr)
        return false;
    bool found = false;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in))
            continue;
        sockaddr_in socket_address{};
        std::memcpy(&socket_address, entry->ai_addr, sizeof socket_address);
        address = ntohl(socket_address.sin_addr.s_addr);
        found = true;
        break;
    }
    freeaddrinfo(results);
    return found;
}

bool StartBoundedLookUp(std::atomic<std::size_t>& running, std::size_t most, std::string name,
                        LookUpDone done) {
    std::size_t under_way = running.load();
    do {
        if (under_way >= most)
            return false;
    } while (!running.compare_exchange_weak(under_way, under_way + 1));
    try {
        std::thread([&running, name = std::move(name), done = std::move(done),
                     resolver = ShareNameResolver()]() mutable {
            std::uint32_t address = 0;
            const bool resolved = resolver->LookupAddress(name, address);
            // Free before `done` is told, so that a look-up it starts finds
            // the slot free.
            running.fetch_sub(1);
            done(resolved, address);
            resolver.reset();
        }).detach();
    } catch (const std::system_error&) {
        running.fetch_sub(1);
        return false;
    }
    return true;
}
