#pragma once

// The ids of the program's resources in res/: menus, commands, strings, dialogs and their
// controls. The framework's own ids are in platform/framework/FrameworkIds.h.

#include "platform/WinTypes.h"

// Menus, toolbar, icon and template string.
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDR_TIMELINE_MENU = 58112;

// Dialogs.
constexpr UINT IDD_ABOUTBOX = 100;
constexpr UINT IDD_PROPERTY_FORM = 103;

// Strings.
constexpr UINT IDP_OLE_INIT_FAILED = 100;
constexpr UINT IDS_FILTER_IMPORT = 101;
constexpr UINT IDS_FILTER_AVI = 102;
constexpr UINT IDS_FILTER_OPEN = 103;
constexpr UINT IDS_FILTER_SAVE = 104;
constexpr UINT IDS_FILTER_EXPORT = 105;
constexpr UINT IDS_EXPORT_FAILED = 106;
constexpr UINT IDS_RELOAD_FAILED = 200;
constexpr UINT IDS_UNUSABLE_FILE_NAME = 201;
constexpr UINT IDS_CANNOT_RECORD_TO = 202;
constexpr UINT IDS_CANNOT_EXPORT_TO = 203;
constexpr UINT IDS_SUBTITLE_CHARACTERS_REPLACED = 204;
constexpr UINT IDS_RECORDING_KEPT_BESIDE = 205;
constexpr UINT IDS_TRACK_WAVE = 210;
constexpr UINT IDS_TRACK_SUBTITLE = 211;
constexpr UINT IDS_TRACK_CAMERA = 212;
constexpr UINT IDS_CANNOT_DELETE_WAVE_TRACK = 220;
constexpr UINT IDS_CANNOT_DELETE_SUBTITLE_TRACK = 221;
constexpr UINT IDS_CANNOT_DELETE_CAMERA_TRACK = 222;
constexpr UINT IDS_RECORDING = 230;
constexpr UINT IDS_COMPRESSOR_CAPTION = 240;
constexpr UINT IDS_COMPRESSOR_LABEL = 241;
constexpr UINT IDS_COMPRESSOR_UNCOMPRESSED = 242;
constexpr UINT IDS_COMPRESSOR_LOSSLESS = 243;
constexpr UINT IDS_COMPRESSOR_XVID_COMPATIBLE = 244;
// The text of tutorial step n is string IDS_TUTORIAL_STEP_FIRST + n - 1.
constexpr UINT IDS_TUTORIAL_STEP_FIRST = 301;
constexpr UINT IDS_TUTORIAL_TITLE = 312;

// Commands of the main menu.
constexpr UINT ID_FILE_IMPORT = 32772;
constexpr UINT ID_PLAY = 32776;
constexpr UINT ID_STOP = 32778;
constexpr UINT ID_EDIT_MOVE = 32780;
constexpr UINT ID_EDIT_ROTATE = 32782;
constexpr UINT ID_EDIT_SCALE = 32784;
constexpr UINT ID_GO_LAST = 32793;
constexpr UINT ID_GO_FIRST = 32794;
constexpr UINT ID_CAMERA_PERSPECTIVE = 32801;
constexpr UINT ID_BACKGROUND_COLOR = 32812;
constexpr UINT ID_FONT_COLOR = 32816;
constexpr UINT ID_RECORD_AVI = 32818;
constexpr UINT ID_CAMERA_RESET = 32839;
constexpr UINT ID_CAMERA_CENTER_SELECTION = 32843;
constexpr UINT ID_HELP_CONTENTS = 32847;
constexpr UINT ID_CAMERA_FRONT = 32855;
constexpr UINT ID_CAMERA_RIGHT = 32862;
constexpr UINT ID_CAMERA_LEFT = 32863;
constexpr UINT ID_CAMERA_BOTTOM = 32865;
constexpr UINT ID_CAMERA_TOP = 32866;
constexpr UINT ID_CAMERA_BACK = 32868;
constexpr UINT ID_ANTIALIAS = 32879;
constexpr UINT ID_FILE_EXPORT = 32883;

// Commands of the timeline's context menu.
constexpr UINT ID_TIMELINE_ADD_FRAME = 32900;
constexpr UINT ID_TIMELINE_ADD_10_FRAMES = 32901;
constexpr UINT ID_TIMELINE_DELETE_FRAME = 32902;
constexpr UINT ID_TIMELINE_DELETE_10_FRAMES = 32903;
constexpr UINT ID_TIMELINE_ADD_KEY = 32904;
constexpr UINT ID_TIMELINE_ADD_KEY_FILL = 32905;
constexpr UINT ID_TIMELINE_DELETE_KEY = 32906;
constexpr UINT ID_TIMELINE_CLEAR_BETWEEN_KEYS = 32907;
constexpr UINT ID_TIMELINE_DELETE_TRACK = 32908;

// Controls of the property form.
constexpr int IDC_EDIT_X = 1000;
constexpr int IDC_CHECK_X = 1001;
constexpr int IDC_EDIT_Y = 1002;
constexpr int IDC_CHECK_Y = 1003;
constexpr int IDC_EDIT_Z = 1004;
constexpr int IDC_CHECK_Z = 1005;
constexpr int IDC_COMBO_ANIMATION = 1006;
constexpr int IDC_CHECK_LOOP = 1007;
constexpr int IDC_CHECK_STOP_AT_END = 1008;
constexpr int IDC_EDIT_SUBTITLE = 1009;
constexpr int IDC_EDIT_WIDTH = 1010;
constexpr int IDC_EDIT_HEIGHT = 1011;
constexpr int IDC_EDIT_MAX_FRAME = 1012;
constexpr int IDC_COMBO_WAVE = 1013;
