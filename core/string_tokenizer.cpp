#include "core/string_tokenizer.h"

#include "platform/pointer.h"
#include "platform/text.h"

KvResult StringTokenizer::Init(const std::string& text, const std::string& separators) {
    if (text.empty() || separators.empty())
        return KV_E_FAIL;
    // The text was a C string: anything after a zero byte never reached us.
    text_.assign(text.c_str());
    separators_ = separators;
    return KV_OK;
}

KvResult StringTokenizer::SetText(const std::string& text, const char* separators) {
    if (!IsValidPtr(separators))
        return KV_E_INVALID_POINTER;
    Init(text, separators);
    return KV_OK;
}

std::int32_t StringTokenizer::FindSeparator(std::int32_t start) const {
    return FindOneOf(text_, separators_, start);
}

KvResult StringTokenizer::NextToken(std::string& token, std::int32_t& position, bool trim) {
    token.clear();
    const std::int32_t start = position;
    if (start < 0)
        return KV_E_FAIL;
    if (static_cast<std::size_t>(start) >= text_.size()) {
        position = -1;
        return KV_OK;
    }
    const std::int32_t separator = FindSeparator(start);
    if (separator < 0) {
        token = Mid(text_, start);
        position = -1;
    } else {
        token = Mid(text_, start, separator - start);
        position = separator + 1;
    }
    if (trim)
        TrimInPlace(token);
    return KV_OK;
}

KvResult StringTokenizer::KeepOnlyChars(std::string& set) {
    TrimInPlace(set);
    if (set.empty())
        return KV_E_FAIL;
    TrimInPlace(text_);
    std::string kept;
    kept.reserve(text_.size());
    std::size_t run_start = text_.find_first_of(set);
    while (run_start != std::string::npos) {
        std::size_t run_end = text_.find_first_not_of(set, run_start);
        if (run_end == std::string::npos)
            run_end = text_.size();
        kept.append(text_, run_start, run_end - run_start);
        run_start = text_.find_first_of(set, run_end);
    }
    text_ = std::move(kept);
    return text_.empty() ? KV_E_FAIL : KV_OK;
}
