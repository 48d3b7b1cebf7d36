#pragma once

namespace zvp {

// The application's fixed texts.
inline constexpr const char* kProductAbbreviation = "ZVP";
inline constexpr const char* kProductName = "Zeph Vidra Player";
// Given to Qt as the application name, so it is the X11 WM_CLASS of the player's windows.
inline constexpr const char* kWindowClassName = "ZephVidraPlayer2";

// The maker's web site: the host, and the pages the Help menu and the about box open.
inline constexpr const char* kWebHost = "zvp.example.org";
inline constexpr const char* kFeedbackUrl = "https://zvp.example.org/vidra-player/contact.htm";
inline constexpr const char* kManualUrl = "https://zvp.example.org/vidra-player/manual.htm";
// The about box's change log: this path on kWebHost, then the version text.
inline constexpr const char* kWhatsNewPath = "/vidra-player/whatsnew.htm?v=";

}  // namespace zvp
