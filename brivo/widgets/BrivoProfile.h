#pragma once

#include <QSettings>
#include <memory>

namespace brivo {

// The application profile: an INI file under the user's configuration folder, named after the
// organisation and application that the program registers.
inline constexpr char kProfileOrganisation[] = "Local AppWizard-Generated Applications";
inline constexpr char kProfileApplication[] = "Brivo";

inline std::unique_ptr<QSettings> OpenBrivoProfile() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       kProfileOrganisation, kProfileApplication);
}

}  // namespace brivo
