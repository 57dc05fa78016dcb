#pragma once
// The names under which the module, its product and its skin folders are
// known. One process-wide instance, read-only once constructed, so any thread
// may read it.

#include <string>

// The names shared by every module of the suite.
class SuiteIdentity {
public:
    SuiteIdentity();

    const std::string& GetProductName() const { return product_name_; }
    const std::string& GetVoIPPhoneModuleName() const { return voip_phone_module_name_; }

private:
    std::string product_name_;
    std::string voip_phone_module_name_;
};

// The suite's names plus this module's own.
class ModuleIdentity : public SuiteIdentity {
public:
    ModuleIdentity();

    // Endpoint and thread names are built from it ("-APP", "-DLG_PROGRESS").
    const std::string& GetModuleName() const { return module_name_; }
    const std::string& GetThemesFolder() const { return themes_folder_; }
    // Empty: image paths then hold two separators in a row, which the skinned
    // controls accept.
    const std::string& GetThemeName() const { return theme_name_; }
    const std::string& GetImagesFolder() const { return images_folder_; }

private:
    std::string module_name_;
    std::string themes_folder_;
    std::string theme_name_;
    std::string images_folder_;
};

// The process-wide identity; built on first use and kept until the process
// ends, so it outlives everything that reads it.
const ModuleIdentity& GetModuleIdentity();
