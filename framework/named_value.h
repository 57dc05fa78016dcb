#pragma once
// A named value: the payload that carries named commands ("INITIATE_EXPORT"),
// control events and counters, with either a text or a number as its value.

#include <cstdint>
#include <string>

class CKvNamedValue {
public:
    CKvNamedValue() = default;
    CKvNamedValue(const std::string& name, const std::string& value) { SetText(name, value); }

    // Name and value text; the word and the number become 0.
    void SetText(const std::string& name, const std::string& value);
    // Name and number; the word becomes 0 and the value text empty.
    void SetNumber(const std::string& name, std::uint32_t number);

    // The number beside the name and the text, which stay.
    void SetNumberBesideText(std::uint32_t number) { number_ = number; }

    const std::string& GetName() const { return name_; }
    const std::string& GetValue() const { return value_; }
    std::uint32_t GetNumber() const { return number_; }
    std::uint32_t GetWord() const { return word_; }
    void SetWord(std::uint32_t word) { word_ = word; }
    bool IsEmpty() const { return name_.empty(); }

private:
    std::string name_;
    std::uint32_t word_ = 0;
    std::string value_;
    std::uint32_t number_ = 0;
};
