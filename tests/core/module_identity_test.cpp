#include "core/module_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModuleIdentity, NamesThisModuleItsProductAndItsSkinFolders) {
    const ModuleIdentity& identity = GetModuleIdentity();
    EXPECT_EQ(identity.GetProductName(), "ZentaCALL");
    EXPECT_EQ(identity.GetVoIPPhoneModuleName(), "QuorvixVoIPphone");
    EXPECT_EQ(identity.GetModuleName(), "veltrix");
    EXPECT_EQ(identity.GetThemesFolder(), "Themes");
    EXPECT_EQ(identity.GetThemeName(), "");
    EXPECT_EQ(identity.GetImagesFolder(), "Images");
}

TEST(ModuleIdentity, IsOneInstanceForTheWholeProcess) {
    EXPECT_EQ(&GetModuleIdentity(), &GetModuleIdentity());
    EXPECT_EQ(GetModuleIdentity().GetModuleName() + "-APP", "veltrix-APP");
}

TEST(SuiteIdentity, CarriesTheSuiteWideNames) {
    const SuiteIdentity suite;
    EXPECT_EQ(suite.GetProductName(), "ZentaCALL");
    EXPECT_EQ(suite.GetVoIPPhoneModuleName(), "QuorvixVoIPphone");
    const SuiteIdentity& base = GetModuleIdentity();
    EXPECT_EQ(base.GetProductName(), suite.GetProductName());
}

} // namespace
