#pragma once
// The dialling rules a job or a CAPI manager takes from the server's general
// settings or from the client's preferences: both affix pairs, the digit
// limit of internal numbers and the own area code. The mode flag and the
// numbers stay with the caller, which reads them from its own fields.

#include "core/dialling_rules.h"
#include "data/data_general.h"
#include "data/data_preferences.h"

void TakeDiallingRules(DiallingRules& rules, CKvDataGeneral& general);
void TakeDiallingRules(DiallingRules& rules, CKvDataPreferences& preferences);
