// The application's identity, chosen once and kept in one place.
#pragma once

#include "common/version.h"

inline constexpr char ApplicationTitle[] = "Stillreel";  // Application.Title
inline constexpr char ApplicationVersion[] = STILLREEL_VERSION;  // the project's; shown as "v1.0.1"
inline constexpr char VendorWebSite[] = "https://stillreel.example";  // home page; "/help", "/support" appended
inline constexpr char VendorSupportMail[] = "support@stillreel.example";
inline constexpr char VendorCredit[] = "- the Stillreel developers";  // about dialog's Label3
