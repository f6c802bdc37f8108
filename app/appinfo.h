// The application's identity, chosen once and kept in one place.
#pragma once

inline constexpr char ApplicationTitle[] = "Stillreel";  // Application.Title
inline constexpr char ApplicationVersion[] = "1.0.1";  // shown as "v1.0.1"
inline constexpr char VendorWebSite[] = "https://stillreel.example";  // home page; "/help", "/support" appended
inline constexpr char VendorSupportMail[] = "support@stillreel.example";
inline constexpr char VendorCredit[] = "- the Stillreel developers";  // about dialog's Label3
