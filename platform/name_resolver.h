#pragma once
// Host name look-up in both directions. Every look-up of the system goes
// through GetNameResolver(), so that tests can answer without a network.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class NameResolver {
public:
    virtual ~NameResolver() = default;
    // The host name of an IPv4 address (host byte order, first octet in the
    // most significant byte); false when there is none.
    virtual bool LookupName(std::uint32_t address, std::string& name) = 0;
    // The first IPv4 address (host byte order) of a host name; false when
    // there is none.
    virtual bool LookupAddress(const std::string& name, std::uint32_t& address) = 0;
};

// The operating system's resolver (getnameinfo and getaddrinfo, which are
// thread-safe). Both block until the resolver answers.
class SystemNameResolver final : public NameResolver {
public:
    bool LookupName(std::uint32_t address, std::string& name) override;
    bool LookupAddress(const std::string& name, std::uint32_t& address) override;
};

// The resolver in use; the system resolver unless a test installed another.
// The reference is good while the resolver stays installed; a look-up that
// may outlive that (one given up by a caller) holds ShareNameResolver().
NameResolver& GetNameResolver();
std::shared_ptr<NameResolver> ShareNameResolver();
// Installs a resolver (null restores the system resolver); look-ups that
// hold it keep it alive after it is replaced.
void SetNameResolver(std::shared_ptr<NameResolver> resolver);

// Looks the name up on a thread of its own that holds a share of the
// resolver, since the resolver has no time-out and whoever asked may give up
// first; `done` is called on that thread with the result. At most `most`
// look-ups counted by `running` run at once: the slot is given back before
// `done` is called, and the resolver let go after it. `running` must outlive
// the look-up (static, or owned by what `done` holds). False, and no
// look-up, when every slot is taken or no thread can be started.
using LookUpDone = std::function<void(bool resolved, std::uint32_t address)>;
bool StartBoundedLookUp(std::atomic<std::size_t>& running, std::size_t most, std::string name,
                        LookUpDone done);

// Installs a resolver for the lifetime of the guard. It is shared with the
// look-ups, so that one begun while it was installed keeps it alive.
class ScopedNameResolver {
public:
    explicit ScopedNameResolver(std::shared_ptr<NameResolver> resolver) {
        SetNameResolver(std::move(resolver));
    }
    ~ScopedNameResolver() { SetNameResolver(nullptr); }
    ScopedNameResolver(const ScopedNameResolver&) = delete;
    ScopedNameResolver& operator=(const ScopedNameResolver&) = delete;
};
