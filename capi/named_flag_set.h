#pragma once
// A 32-bit flag word whose registered bits carry keyword names, kept with the
// text of the set bits' names joined by ",". A subclass only hands its names
// to the base; bits without a name are never stored.
//
//   namespace { constexpr KeywordRow kNames[] = {{"NTF_FLAG_ALERTING", 1}}; }
//   NtfFlagSet::NtfFlagSet() : NamedFlagSet(kNames) {}
//
// Names are kept by view and must have static storage; the text lists them in
// the order they were registered.

#include "core/keyword_table.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <span>
#include <string>

class NamedFlagSet {
public:
    NamedFlagSet() = default;
    NamedFlagSet(const NamedFlagSet& other) = default;
    // Copies result, value and text; the names stay this set's own.
    NamedFlagSet& operator=(const NamedFlagSet& other);
    virtual ~NamedFlagSet() = default;

    // Stores the named bits of the word and rebuilds the text; KV_E_FAIL when
    // some bit has no name. Without names, nothing changes and the result is 0.
    KvResult SetValue(std::uint32_t bits);
    KvResult AddFlags(std::uint32_t bits) { return SetValue(value_ | bits); }
    // Clears the bits first, so that they go even from a set without names.
    KvResult RemoveFlags(std::uint32_t bits);

    std::uint32_t GetValue() const { return value_; }
    bool HasFlags(std::uint32_t bits) const { return (value_ & bits) == bits; }
    KvResult GetResult() const { return result_; }
    const std::string& GetText() const { return text_; }

protected:
    explicit NamedFlagSet(std::span<const KeywordRow> names) : names_(names) {}

private:
    KvResult result_ = KV_OK;
    std::uint32_t value_ = 0;
    std::string text_;
    std::span<const KeywordRow> names_;
};

// The notification options of a CAPI manager: "NTF_FLAG_ALERTING" = 1.
class NtfFlagSet : public NamedFlagSet {
public:
    static constexpr std::uint32_t kAlerting = 1;
    NtfFlagSet();
};

// The transfer state of a B3 data block: "B3DT_FLAG_GOT_CONFIRMATION" = 1,
// "B3DT_FLAG_PUT_REQUEST" = 2.
class B3dtFlagSet : public NamedFlagSet {
public:
    static constexpr std::uint32_t kGotConfirmation = 1;
    static constexpr std::uint32_t kPutRequest = 2;
    B3dtFlagSet();
};
