#include "core/module_identity.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleIdentity, IsOneProcessWideInstanceNamingTheModuleItsProductAndItsSkinFolders) {
    const ModuleIdentity& identity = GetModuleIdentity();
    EXPECT_EQ(&GetModuleIdentity(), &identity);
    EXPECT_EQ(identity.GetModuleName(), "veltrix");
    EXPECT_EQ(identity.GetThemesFolder(), "Themes");
    EXPECT_EQ(identity.GetThemeName(), "");
    EXPECT_EQ(identity.GetImagesFolder(), "Images");
    const SuiteIdentity suite;
    EXPECT_EQ(suite.GetProductName(), "ZentaCALL");
    EXPECT_EQ(suite.GetVoIPPhoneModuleName(), "QuorvixVoIPphone");
    EXPECT_EQ(identity.GetProductName(), suite.GetProductName());
    EXPECT_EQ(identity.GetVoIPPhoneModuleName(), suite.GetVoIPPhoneModuleName());
}

} // namespace
