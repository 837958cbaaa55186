#pragma once

// The ids of the framework's own commands, strings, control bars and status-bar indicators.

#include "platform/WinTypes.h"

#include <cstdint>

using LPARAM = std::intptr_t;

// Commands.
constexpr UINT ID_SEPARATOR = 0;
constexpr UINT ID_FILE_NEW = 0xE100;
constexpr UINT ID_FILE_OPEN = 0xE101;
constexpr UINT ID_FILE_SAVE = 0xE103;
constexpr UINT ID_FILE_SAVE_AS = 0xE104;
constexpr UINT ID_FILE_MRU_FILE1 = 0xE110;
constexpr UINT ID_FILE_MRU_LAST = 0xE11F;
constexpr UINT ID_EDIT_COPY = 0xE122;
constexpr UINT ID_EDIT_CUT = 0xE123;
constexpr UINT ID_EDIT_PASTE = 0xE125;
constexpr UINT ID_EDIT_UNDO = 0xE12B;
constexpr UINT ID_APP_ABOUT = 0xE140;
constexpr UINT ID_APP_EXIT = 0xE141;
constexpr UINT ID_INDICATOR_CAPS = 0xE6E1;
constexpr UINT ID_INDICATOR_NUM = 0xE6E2;
constexpr UINT ID_INDICATOR_SCRL = 0xE6E3;
constexpr UINT ID_VIEW_TOOLBAR = 0xE800;
constexpr UINT ID_VIEW_STATUS_BAR = 0xE801;

// Child windows of a frame.
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

// Dialog buttons.
constexpr UINT ID_OK = 1;
constexpr UINT ID_CANCEL = 2;

// The framework's strings, in the program's string table.
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;
constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;
constexpr UINT AFX_IDS_UNTITLED = 0xF000;
constexpr UINT AFX_IDS_ALLFILTER = 0xF001;
constexpr UINT AFX_IDP_ASK_TO_SAVE = 0xF002;
constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF003;
constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF004;
constexpr UINT AFX_IDS_FILE_NOT_FOUND = 0xF010;
constexpr UINT AFX_IDS_FILE_NOT_REGULAR = 0xF011;
constexpr UINT AFX_IDS_FILE_ACCESS_DENIED = 0xF012;
constexpr UINT AFX_IDS_FILE_TOO_LARGE = 0xF013;
constexpr UINT AFX_IDS_FILE_READ_ERROR = 0xF014;
constexpr UINT AFX_IDS_FILE_END_OF_FILE = 0xF015;
constexpr UINT AFX_IDS_FILE_BAD_FORMAT = 0xF016;
constexpr UINT AFX_IDS_FILE_CREATE_ERROR = 0xF017;
constexpr UINT AFX_IDS_FILE_WRITE_ERROR = 0xF018;
constexpr UINT AFX_IDS_FILE_REPLACE_ERROR = 0xF019;
constexpr UINT AFX_IDS_FILE_DISK_FULL = 0xF01A;
constexpr UINT AFX_IDS_FILE_READ_ONLY_VOLUME = 0xF01B;
constexpr UINT AFX_IDS_FILE_FOLDER_NOT_FOUND = 0xF01C;
