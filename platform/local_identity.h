#pragma once
// This machine's identity as the protocol jobs present it: the user name, the
// host name and the IPv4 addresses of its interfaces. Every reading goes
// through GetLocalIdentitySource(), so that tests and loopback hosts can give
// a fixed identity.

#include <cstdint>
#include <string>
#include <vector>

class LocalIdentitySource {
public:
    virtual ~LocalIdentitySource() = default;
    // False when the name cannot be had.
    virtual bool GetUserName(std::string& name) = 0;
    virtual bool GetHostName(std::string& name) = 0;
    // The IPv4 addresses of the interfaces (host byte order, first octet in
    // the most significant byte), in the order the system lists them; false
    // when the list cannot be read.
    virtual bool GetAddresses(std::vector<std::uint32_t>& addresses) = 0;
};

// The login user, gethostname and getifaddrs.
class SystemLocalIdentitySource final : public LocalIdentitySource {
public:
    bool GetUserName(std::string& name) override;
    bool GetHostName(std::string& name) override;
    bool GetAddresses(std::vector<std::uint32_t>& addresses) override;
};

// A fixed identity.
class FixedLocalIdentitySource final : public LocalIdentitySource {
public:
    FixedLocalIdentitySource(std::string user_name, std::string host_name,
                             std::vector<std::uint32_t> addresses, bool addresses_readable = true)
        : user_name_(std::move(user_name)), host_name_(std::move(host_name)),
          addresses_(std::move(addresses)), addresses_readable_(addresses_readable) {}

    bool GetUserName(std::string& name) override;
    bool GetHostName(std::string& name) override;
    bool GetAddresses(std::vector<std::uint32_t>& addresses) override;

private:
    std::string user_name_;
    std::string host_name_;
    std::vector<std::uint32_t> addresses_;
    bool addresses_readable_;
};

inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001u;

// The address that stands for this machine: the first that is neither 0 nor
// a loopback address (Linux lists loopback first, and a peer given it would
// answer itself); 127.0.0.1 when there is none.
std::uint32_t SelectIdentityAddress(const std::vector<std::uint32_t>& addresses);

LocalIdentitySource& GetLocalIdentitySource();
// Installs a source (null restores the system's); it must outlive its
// installation.
void SetLocalIdentitySource(LocalIdentitySource* source);

class ScopedLocalIdentitySource {
public:
    explicit ScopedLocalIdentitySource(LocalIdentitySource& source) {
        SetLocalIdentitySource(&source);
    }
    ~ScopedLocalIdentitySource() { SetLocalIdentitySource(nullptr); }
    ScopedLocalIdentitySource(const ScopedLocalIdentitySource&) = delete;
    ScopedLocalIdentitySource& operator=(const ScopedLocalIdentitySource&) = delete;
};
