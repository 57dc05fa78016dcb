#pragma once
// DIAL: the first-generation dial job. Requester and executor only; the
// user's telephone comes from the requesting host's record and both numbers
// are prepared by the job's own affix rules.

#include "jobs/job_data_dial_base.h"

#include <string_view>

class CKvJobDataDial : public CKvJobDataDialBase {
public:
    CKvJobDataDial();
    ~CKvJobDataDial() override = default;

    // Every own field emptied and the linked call record dropped, type 13,
    // state 0.
    void InitDial();
    CKvJobDataDial& CopyFrom(const CKvJobDataDial& other);

    KvResult ReadXml(const XmlNode* job_data) override;
    KvResult WriteXml(XmlNode* job_data) override;
    KvResult StepRequester() override { return RunRequester(false); }
    KvResult StepExecutor() override;
    // One requester step: no root job is looked for.
    KvResult CheckRootJob() override { return StepRequester(); }

    // Trims white space at both ends.
    void SetTargetNumber(const std::string& number);
    std::unique_ptr<CKvDataCall>& GetDialValue() { return linked_call_; }

    // ---- Affix rules ----

    // Trims both affix texts in place; true when every non-empty one is
    // found on the trimmed number (an empty pair is always present).
    static bool HasAffixes(std::string_view number, std::string& prefix, std::string& suffix);
    // Drops as many characters as each non-empty affix has from the trimmed
    // number; 1 with the number replaced when something is left after each
    // drop, else 0 with the number unchanged.
    static std::int32_t StripAffixes(std::string& number, const std::string& prefix,
                                     const std::string& suffix);
    bool HasInternalAffixes(std::string_view number);
    bool HasExternalAffixes(std::string_view number);
    std::int32_t StripInternalAffixes(std::string& number) const;
    std::int32_t StripExternalAffixes(std::string& number) const;
    void AddInternalAffixes(std::string& number) const;
    void AddExternalAffixes(std::string& number) const;

    // Target, then CTI number; KV_E_FAIL when a strip failed (the number
    // stays as it was).
    KvResult PrepareNumbers() override;
    KvResult PrepareTargetNumber();
    KvResult PrepareCtiNumber();

private:
    // What a preparation does to a number.
    enum class Affix : std::uint8_t { kNone, kStripInternal, kStripExternal, kAddInternal, kAddExternal };
    KvResult Apply(Affix action, std::string& number) const;

    void ExecutorHost();
    void ExecutorLogin();
};
