#pragma once
// Small record-field values that know their own text form. Their parsers never
// reject a text: what cannot be read becomes 0 or false.

#include "platform/result_codes.h"

#include <cstdint>
#include <string>

// An unsigned 32-bit number written in decimal.
class UIntValue {
public:
    UIntValue() = default;
    explicit UIntValue(std::uint32_t value) : value_(value) {}

    void Set(std::uint32_t value) { value_ = value; }
    std::uint32_t Get() const { return value_; }
    UIntValue& operator=(std::uint32_t value) {
        value_ = value;
        return *this;
    }

    // out = the value as "%u"; returns out.
    std::string& Format(std::string& out) const;
    // Reads the text as the 32-bit strtoul does; always succeeds.
    KvResult Parse(const std::string& text, int base = 10);
    // Wraps to 0 after 0xFFFFFFFF.
    void Increment() { ++value_; }

private:
    // Owners set the value; starting at 0 keeps an unset value readable.
    std::uint32_t value_ = 0;
};

// A flag written "TRUE" or "FALSE". Any non-zero value counts as true.
class BoolValue {
public:
    BoolValue() = default;

    void Set(std::int32_t value) { value_ = value; }
    std::int32_t Get() const { return value_; }
    bool IsTrue() const { return value_ != 0; }

    // A text that travels with the flag; assignment copies it.
    const std::string& GetText() const { return text_; }
    void SetText(const std::string& text) { text_ = text; }

    // Trims the caller's text in place; the value is 1 only for exactly "TRUE"
    // (case-sensitive), else 0.
    void Parse(std::string& text);
    // out = "TRUE" or "FALSE"; returns out.
    std::string& Format(std::string& out) const;

private:
    std::int32_t value_ = 0;
    std::string text_;
};
