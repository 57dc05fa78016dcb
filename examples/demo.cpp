// Demonstration: the framework's values turned into their text forms and back.

#include "core/bounded_string_list.h"
#include "core/function_flag_tables.h"
#include "core/phone_category.h"
#include "core/text_values.h"
#include "core/time_date.h"

#include <cstdio>
#include <string>

namespace {

void ShowTimeDate() {
    TimeDate now;
    now.SetNow();
    std::string text;
    now.GetText(text);
    TimeDate parsed;
    parsed.SetFromText(text);
    std::printf("TimeDate now           : %s (reads back %s)\n", text.c_str(),
                parsed == now ? "equal" : "different");
}

void ShowValues() {
    UIntValue number;
    number.Parse("4294967296");
    std::string text;
    std::printf("UIntValue \"4294967296\" : %s\n", number.Format(text).c_str());

    BoolValue flag;
    std::string flag_text = "  TRUE ";
    flag.Parse(flag_text);
    std::printf("BoolValue \"  TRUE \"    : %s\n", flag.Format(text).c_str());

    BoundedStringList list;
    list.SetFromText(" alpha, beta ,,gamma");
    std::printf("BoundedStringList      : %u entries, text \"%s\"\n", list.GetCount(),
                list.GetText(text).c_str());
}

void ShowKeywords() {
    PhoneCategory category;
    category.ParseText(" office_mobile ");
    std::printf("PhoneCategory          : \" office_mobile \" -> %u \"%s\"\n",
                category.GetValue(), category.Text().c_str());

    AppFunctionFlagTable skills;
    skills.SetText("dialog_action, DIALOG_CONFIGURATION , INCOMING_CALLS");
    std::printf("AppFunctionFlagTable   : 0x%03X \"%s\"\n", skills.GetValue(),
                skills.Text().c_str());

    ControllerFunctionFlagTable functions;
    const KvResult result = functions.FormatText(0x0D);
    std::printf("ControllerFunctions 0xD: 0x%X \"%s\" (result 0x%08X: bit 8 has no keyword)\n",
                functions.GetValue(), functions.Text().c_str(), result);
}

} // namespace

int main() {
    std::printf("== Values and keyword tables ==\n");
    ShowTimeDate();
    ShowValues();
    ShowKeywords();
    return 0;
}
