#include "core/module_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModuleIdentity, IsOneProcessWideInstanceNamingTheModuleItsProductAndItsSkinFolders) {
    const ModuleIdentity& identity = GetModuleIdentity();
    EXPECT_EQ(&GetModuleIdentity(), &identity);
    EXPECT_EQ(
        std::string(identity.GetModuleName()) + "|" + std::string(identity.GetThemesFolder()) +
            "|" + std::string(identity.GetThemeName()) + "|" +
            std::string(identity.GetImagesFolder()) + "|" + std::string(identity.GetProductName()) +
            "|" + std::string(identity.GetVoIPPhoneModuleName()),
        "veltrix|Themes||Images|ZentaCALL|QuorvixVoIPphone");
}

} // namespace
