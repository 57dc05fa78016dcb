#include "platform/mfc/mfc_internal.h"

void KvRegisterTabClass() {}
