#include "core/module_identity.h"

SuiteIdentity::SuiteIdentity()
    : product_name_("ZentaCALL"), voip_phone_module_name_("QuorvixVoIPphone") {}

ModuleIdentity::ModuleIdentity()
    : module_name_("veltrix"), themes_folder_("Themes"), images_folder_("Images") {}

const ModuleIdentity& GetModuleIdentity() {
    static const ModuleIdentity identity;
    return identity;
}
