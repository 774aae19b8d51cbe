// Identifiers of the resources the executable carries: dialog templates and their
// controls, string-table entries, custom resources, the icon and the timer id the
// splash uses. String ids that double as result codes are the same numbers
// (app/result_codes.h uses these names).
#pragma once

namespace qx {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_SPLASH = 101;
inline constexpr int IDD_PROGRESS = 102;
inline constexpr int IDD_AGREEMENT = 105;
inline constexpr int IDD_TARGET = 106;
inline constexpr int IDD_LOOKUP = 115;

// Controls.
inline constexpr int IDC_AGREEMENT_TEXT = 1000;
inline constexpr int IDC_PROGRESS_BAR = 1002;
inline constexpr int IDC_ABOUT = 1004;
inline constexpr int IDC_STATUS = 1005;
inline constexpr int IDC_TARGET = 1006;
inline constexpr int IDC_PASSWORD = 1008;
inline constexpr int IDC_LOOKUP_TEXT = 1011;

// Icon, custom resources and the splash picture.
inline constexpr int IDI_DOWNLOADER = 104;
inline constexpr int IDR_FIRMWARE = 129;
inline constexpr int IDR_AGREEMENT_TEXT = 130;
inline constexpr const char* kResourceTypeBin = "BIN";
inline constexpr const char* kSplashBitmapName = "STARTBMP";
inline constexpr int VS_VERSION_INFO = 1;

// String table.
inline constexpr int IDS_NO_IMAGE = 10000;
inline constexpr int IDS_CHECK_CONNECTION = 10002;
inline constexpr int IDS_DL_CANCELLED = 59143;
inline constexpr int IDS_DL_SUCCEEDED = 59144;
inline constexpr int IDS_DL_FAILED = 59145;
inline constexpr int IDS_DL_WRITING = 59146;
inline constexpr int IDS_FIRMWARE_VERSION = 59147;
inline constexpr int IDS_VERSION_NOT_NEWER = 59149;
inline constexpr int IDS_CONFIRM_DOWNLOAD = 59151;
inline constexpr int IDS_PREPARING = 59153;
inline constexpr int IDS_DL_REFUSED = 59158;
inline constexpr int IDS_DL_TIMEOUT = 59159;
inline constexpr int IDS_ADDRESS_UNKNOWN = 59160;
inline constexpr int IDS_LOOKUP_CANCELLED = 59161;
inline constexpr int IDS_NOT_TARGET_MODEL = 59162;
inline constexpr int IDS_IN_DOWNLOAD_MODE = 59163;
// The data exchange's length refusal: "Please enter no more than %1 characters."
inline constexpr int AFX_IDP_PARSE_STRING_SIZE = 61716;

}  // namespace qx
