#pragma once
// One computer of the client/server protocol (host name, IPv4 address, port,
// identifier) and an ordered list of such identities. Operations return their
// codes; there is no result member.

#include "core/ipv4_address.h"
#include "core/text_values.h"
#include "core/xml_document.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class COMPUTER_IDENT {
public:
    COMPUTER_IDENT() { Reset(); }
    // A copy is a like identity: identifier and element name included.
    COMPUTER_IDENT(const COMPUTER_IDENT& other) = default;
    // Copies name, address, port and key; not the identifier and not the
    // element name, which belong to the owner's member.
    COMPUTER_IDENT& operator=(const COMPUTER_IDENT& other);

    // No name, address, port or identifier; element name "COMPUTER_IDENT".
    void Reset();

    // Each setter of address or port recomputes the key.
    void SetAddress(std::uint32_t address);
    void SetAddressText(std::string_view text);
    void SetPort(std::uint32_t port);
    void SetPortText(const std::string& text);
    // A null name gives an empty name.
    void SetName(const char* name) { name_ = name ? name : ""; }
    void Set(const std::string& name, std::uint32_t address, std::uint32_t port);

    std::uint32_t GetAddress() const { return address_.GetValue(); }
    const std::string& GetAddressText() const { return address_.GetText(); }
    std::uint32_t GetPort() const { return port_.Get(); }
    std::string GetPortText() const;
    // (address << 32) + port: how the job records tell their peers apart.
    std::uint64_t GetKey() const { return key_; }
    std::string& GetName() { return name_; }
    const std::string& GetName() const { return name_; }
    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }
    std::string& GetElementName() { return element_name_; }
    const std::string& GetElementName() const { return element_name_; }

    // A new identity with this one's name, address, port and key.
    KvResult Clone(std::unique_ptr<COMPUTER_IDENT>& out) const;
    static KvResult Create(std::unique_ptr<COMPUTER_IDENT>& out, const std::string& name,
                           std::uint32_t address, std::uint32_t port);

    // 1 for the same computer, 0 for another, KV_E_FAIL for the same name
    // with another address. Without a name on either side the addresses
    // decide (an address of 0 matches any); names are compared trimmed and
    // without regard to case. With compare_ports set, differing ports turn 1
    // into 0.
    std::uint32_t Matches(const COMPUTER_IDENT& other, BOOL compare_ports) const;
    // An address text sets the address (and, with look_up set, the name the
    // resolver gives for it); any other text becomes the name (and, with
    // look_up set, gives the address the resolver finds). A failed look-up
    // changes nothing more. Returns KV_OK.
    KvResult Resolve(const std::string& text, BOOL look_up);

    // An element with the element name and the identifier (not encoded),
    // holding "name" (when set), "ipaddr" and "port" (when not 0),
    // entity-encoded. Stops at the first failing step and returns its code.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) const;
    // Reads only an element with the identity's element name (else KV_OK,
    // unchanged); requires the identifier attribute (KV_E_NOT_FOUND). The
    // name is entity-decoded, as the writer encodes it.
    KvResult ReadXml(const XmlNode* element);

private:
    void UpdateKey();

    IPv4Address address_;
    std::string name_;
    UIntValue port_;
    std::uint64_t key_ = 0;
    std::string identifier_;
    std::string element_name_;
};

class COMPUTER_IDENT_LIST {
public:
    // An iteration position: the index of the next entry.
    using Position = std::size_t;

    COMPUTER_IDENT_LIST() = default;
    // A copy has the other's clones and identifier.
    COMPUTER_IDENT_LIST(const COMPUTER_IDENT_LIST& other) : identifier_(other.identifier_) {
        *this = other;
    }
    // Clones the other's entries; the identifier is not copied.
    COMPUTER_IDENT_LIST& operator=(const COMPUTER_IDENT_LIST& other);

    void RemoveAll() { entries_.clear(); }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(entries_.size()); }
    std::string& GetIdentifier() { return identifier_; }
    const std::string& GetIdentifier() const { return identifier_; }

    // Appends without any test; null is ignored.
    void AddTail(std::unique_ptr<COMPUTER_IDENT> entry);
    // Creates and appends an identity unless one matches it (ports not
    // compared): then KV_E_FAIL and out null. out is owned by the list.
    KvResult Add(COMPUTER_IDENT*& out, const std::string& name, std::uint32_t address,
                 std::uint32_t port);
    // The first entry whose Matches with the identity gives exactly 1:
    // 1 and the entry, or 0 and null.
    std::int32_t FindMatch(COMPUTER_IDENT*& out, const COMPUTER_IDENT& identity,
                           BOOL compare_ports) const;
    std::int32_t Contains(const COMPUTER_IDENT& identity, BOOL compare_ports) const;
    // Takes the entry out of the list and hands it to the caller; null when
    // it was not there.
    std::unique_ptr<COMPUTER_IDENT> Unlink(const COMPUTER_IDENT* entry);
    // Unlinks and deletes the entry and clears the caller's pointer; returns
    // whether it was there.
    bool RemoveEntry(COMPUTER_IDENT*& entry);
    // Deletes the first matching entry; 1 when one was removed, else 0.
    std::int32_t Remove(const COMPUTER_IDENT& identity, BOOL compare_ports);
    // The entry at the position, the position advanced; 0 and null at the
    // end.
    std::int32_t GetNext(COMPUTER_IDENT*& out, Position& position) const;

    // <COMPUTER_IDENT_LIST identifier="..."> with each entry's element in list
    // order; the result is that of the attribute step.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) const;
    // Reads a "COMPUTER_IDENT_LIST" element, also in the childless form the
    // parser gives as a text element; requires the identifier attribute.
    // Every child element is read into a new identity that is appended, with
    // no test for duplicates, when its read gives KV_OK. The result is that
    // of the last child handled; entries already held stay.
    KvResult ReadXml(const XmlNode* element);

private:
    std::vector<std::unique_ptr<COMPUTER_IDENT>> entries_;
    std::string identifier_;
};
