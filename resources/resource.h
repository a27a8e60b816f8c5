// Numeric identifiers of the program's resources, commands, dialog controls
// and strings. Plain #defines: included by duoscope.rc as well as by C++.
//
// Named resources keep their names (menus "PLAYAVI", "ZOOM", "MIRROR",
// "GANA", "CANA"; dialogs "ABOUT", "CUSTSIZE", "FSET", "FOPEN", "AVIPLAY";
// cursor "NOTHING").
#pragma once

// Numbered resources
#define IDI_DUOSCOPE 100       // program icon
#define IDR_ACCELERATORS 113   // accelerator table of the main window
#define IDD_DOWNLOAD 117       // download progress strip
#define IDB_TOOLBAR 1201       // toolbar strip: 11 images of 20 x 17
#define TOOLBAR_IMAGE_WIDTH 20
#define TOOLBAR_IMAGE_HEIGHT 17
#define TOOLBAR_IMAGE_COUNT 11

// Controls of the main window
#define IDC_TOOLBAR 1300

// Seek bar traffic, sent as commands
#define IDM_SEEKBAR_NEW_MOVIE 1200  // to the seek bar: a movie was opened
#define IDM_SEEKBAR_TIMER 1202      // to the seek bar: position changed
#define IDM_SEEKBAR_SEEK 1203       // to the main window: seek to g_nPositionMs

// File and settings commands
#define IDM_DISPLAY_SETTINGS 2049  // "表示設定..."
#define IDM_CLEAR_HISTORY 2119     // "ファイル履歴の削除"
#define IDM_HISTORY_FIRST 2120     // file history items 2120 ... 2124
#define IDM_HISTORY_LAST 2124
#define IDM_ONLINE_HELP 2125       // "ホームページ上にあるヘルプ"
#define IDM_WEBCAM 2126            // "ステレオウェブカメラ"
#define IDM_WEBCAM_SETTINGS 2127   // "ステレオウェブカメラの設定..."
#define IDM_WEBCAM_RECORD 2128     // "ウェブカメラ画像の保存"
#define IDM_OPTIONS 2173           // "設定..."

// Player commands
#define IDM_EXIT 3000
#define IDM_STOP 3001
#define IDM_PLAY 3002
#define IDM_MUTE 3003
#define IDM_FULLSCREEN 3004
#define IDM_SIZE_50 3005
#define IDM_SIZE_75 3006
#define IDM_SIZE_100 3007
#define IDM_SIZE_200 3008
#define IDM_SIZE_CUSTOM 3010
#define IDM_SEEK_START 3011  // also the seek bar's "先頭" button
#define IDM_SEEK_END 3012    // also the seek bar's "後端" button
#define IDC_SEEK_SCROLL 3013 // the seek bar's scroll bar
#define IDM_OPEN 3014
#define IDM_CLOSE 3015
#define IDM_ABOUT 3016
#define IDM_RATE_UP 3017
#define IDM_RATE_DOWN 3018
#define IDM_RATE_NORMAL 3019
#define IDM_RATE_DOUBLE 3020
#define IDM_RATE_HALF 3021
#define IDM_FRAME_STEP 3022
#define IDM_OPEN_SHELL 3023  // open g_szCurrentFile with the shell-open settings

// Display formats: StereoDisplayMode code = command - IDM_DISPLAY_FIRST
#define IDM_DISPLAY_FIRST 3024
#define IDM_DISPLAY_AS_SOURCE 3024
#define IDM_DISPLAY_SIDE_BY_SIDE 3025
#define IDM_DISPLAY_ANAGLYPH_RED_CYAN 3026
#define IDM_DISPLAY_ANAGLYPH_RED_GREEN 3027
#define IDM_DISPLAY_ANAGLYPH_RED_BLUE 3028
#define IDM_DISPLAY_ANAGLYPH_COLOR 3029
#define IDM_DISPLAY_ANAGLYPH_COLOR_RED_FIX 3030
#define IDM_DISPLAY_LINE_INTERLACE 3031
#define IDM_DISPLAY_SHARP_3D_LCD 3032
#define IDM_DISPLAY_SHUTTER_GLASSES 3033
#define IDM_DISPLAY_ONE_SIDE 3034
#define IDM_DISPLAY_MIRROR_LEFT 3035
#define IDM_DISPLAY_MIRROR_RIGHT 3036
#define IDM_DISPLAY_MIRROR_BOTH 3037
#define IDM_DISPLAY_LAST 3037

#define IDM_SWAP 3050
#define IDM_REPEAT 3051
#define IDM_ZOOM_IN 3053
#define IDM_ZOOM_OUT 3054
#define IDM_OWN_FULLSCREEN 3056         // the program's own full-screen window
#define IDM_PLATFORM_FULLSCREEN 3058    // the video window's own full-screen mode
#define IDM_DUAL_FULLSCREEN_LEFT 3059
#define IDM_DUAL_FULLSCREEN_RIGHT 3060

// Input layouts: StereoInputLayout code = command - IDM_LAYOUT_FIRST
#define IDM_LAYOUT_FIRST 3100
#define IDM_LAYOUT_SIDE_BY_SIDE_FULL 3100
#define IDM_LAYOUT_OVER_UNDER_FULL 3101
#define IDM_LAYOUT_OVER_UNDER_HALF 3102
#define IDM_LAYOUT_OVER_UNDER_475 3103
#define IDM_LAYOUT_INTERLACED 3104
#define IDM_LAYOUT_SIDE_BY_SIDE_HALF 3105
#define IDM_LAYOUT_LAST 3105

// Help, keys and stepping
#define IDM_SHUTTER_SETTINGS 3303  // "液晶シャッター設定..."
#define IDM_HELP 3304
#define IDM_CLICK_LEFT 3305   // F2: the left-click action
#define IDM_CLICK_RIGHT 3306  // F3: the right-click action
#define IDM_ESCAPE 3307
// Keys 2 ... 9: step (command - 3310) frames
#define IDM_STEP_2 3312
#define IDM_STEP_3 3313
#define IDM_STEP_4 3314
#define IDM_STEP_5 3315
#define IDM_STEP_6 3316
#define IDM_STEP_7 3317
#define IDM_STEP_8 3318
#define IDM_STEP_9 3319

// Dialog controls shared by "FOPEN" and "COMOPTION"
#define IDC_RGB_MODE 1001
#define IDC_FULLSCREEN_HINT 1002
#define IDC_ASPECT_43 1003
#define IDC_FULLSCREEN_AT_OPEN 1004
// Input-layout radios: StereoInputLayout code = id - IDC_LAYOUT_FIRST
#define IDC_LAYOUT_FIRST 1080
#define IDC_LAYOUT_SIDE_BY_SIDE_FULL 1080
#define IDC_LAYOUT_OVER_UNDER_FULL 1081
#define IDC_LAYOUT_OVER_UNDER_HALF 1082
#define IDC_LAYOUT_OVER_UNDER_475 1083
#define IDC_LAYOUT_INTERLACED 1084
#define IDC_LAYOUT_SIDE_BY_SIDE_HALF 1085
#define IDC_LAYOUT_LAST 1085
// Display-format radios: StereoDisplayMode code = id - IDC_DISPLAY_FIRST
#define IDC_DISPLAY_FIRST 1090
#define IDC_DISPLAY_AS_SOURCE 1090
#define IDC_DISPLAY_SIDE_BY_SIDE 1091
#define IDC_DISPLAY_ANAGLYPH_RED_CYAN 1092
#define IDC_DISPLAY_ANAGLYPH_RED_GREEN 1093
#define IDC_DISPLAY_ANAGLYPH_RED_BLUE 1094
#define IDC_DISPLAY_ANAGLYPH_COLOR 1095
#define IDC_DISPLAY_ANAGLYPH_COLOR_RED_FIX 1096
#define IDC_DISPLAY_LINE_INTERLACE 1097
#define IDC_DISPLAY_SHARP_3D_LCD 1098
#define IDC_DISPLAY_SHUTTER_GLASSES 1099
#define IDC_DISPLAY_ONE_SIDE 1100
#define IDC_DISPLAY_MIRROR_LEFT 1101
#define IDC_DISPLAY_MIRROR_RIGHT 1102
#define IDC_DISPLAY_MIRROR_BOTH 1103
#define IDC_DISPLAY_LAST 1103
// Monitor radios of the full-screen-after-open choice; digit = 1 + (id - 1442)
#define IDC_MONITOR_SINGLE 1442
#define IDC_MONITOR_DUAL_R 1443  // "ﾃﾞｭｱﾙﾓﾆﾀ(R)": dual, left-based
#define IDC_MONITOR_DUAL_L 1444  // "ﾃﾞｭｱﾙﾓﾆﾀ(L)": dual, right-based
// Where the platform's open and save dialogs put their own controls
// (the common dialogs' stc32).
#define IDC_FILEDLG_PLACEHOLDER 1119

// "CUSTSIZE"
#define IDC_CUSTOM_PCT_X 1204
#define IDC_CUSTOM_PCT_Y 1205

// "FSET"
#define IDC_ENGINE_DIRECTDRAW 1440
#define IDC_ENGINE_GDI 1441
#define IDC_AUTOSTART 1445
#define IDC_WCENT_GROUP 1449
#define IDC_WCENT_FIRST 1450  // "nWcent" = id - IDC_WCENT_FIRST
#define IDC_WCENT_CENTERING 1450
#define IDC_WCENT_CENTER 1451
#define IDC_WCENT_EDGE 1452

// "COMOPTION"
#define IDC_SENDTO_ADD 1207
#define IDC_SENDTO_REMOVE 1209
#define IDC_IE_MENU 1216
#define IDC_IE_FILE_SAVE 1519

// "W3D"
#define IDC_W3D_SIZE_LIST 1024
#define IDC_W3D_BPP_LIST 1026
#define IDC_W3D_MODE_GROUP 1307
#define IDC_W3D_AUTO_REG_SET 1432
#define IDC_DRIVER_FIRST 3168  // "nVidia" = id - IDC_DRIVER_FIRST
#define IDC_DRIVER_WIN3D 3168
#define IDC_DRIVER_NVIDIA 3169
#define IDC_DRIVER_OPENGL 3170

// "WEBCAM" and "SAVEOPTION"
#define IDC_CAMERA_LEFT_LIST 1500
#define IDC_CAMERA_RIGHT_LIST 1501
#define IDC_CAMERA_LEFT_SETTINGS 1502
#define IDC_CAMERA_RIGHT_SETTINGS 1503
#define IDC_CAMERA_WIDTH 1504
#define IDC_CAMERA_HEIGHT 1505
#define IDC_CAMERA_RATE 1507
#define IDC_CODEC_LIST 1508
#define IDC_CAMERA_ROTATE_LEFT 1510
#define IDC_CAMERA_ROTATE_RIGHT 1511
#define IDC_CAMERA_NO_CLOCK 1513
#define IDC_CAMERA_STEREO 1514
#define IDC_CAMERA_LEFT_ONLY 1515
#define IDC_CAMERA_RIGHT_ONLY 1516
#define IDC_CAMERA_SHOW 1517
#define IDC_CAMERA_PIN_SETTINGS 1518

// Strings. Toolbar tooltips are the strings at the button's command minus
// IDS_TOOLTIP_OFFSET; the swap (2290) and full-screen (2296) buttons have none.
#define IDS_TOOLTIP_OFFSET 760
#define IDS_TIP_STOP 2241
#define IDS_TIP_PLAY 2242
#define IDS_TIP_SIZE_100 2247
#define IDS_TIP_OPEN 2254
#define IDS_TIP_SIDE_BY_SIDE 2265
#define IDS_TIP_GRAY_ANAGLYPH 2266
#define IDS_TIP_COLOR_ANAGLYPH 2269
#define IDS_TIP_INTERLACE 2271
#define IDS_TIP_SHUTTER 2273

#define IDS_ERROR 2300               // "エラー"
#define IDS_CAUTION 2301             // "実行注意"
#define IDS_CANNOT_SHOW_FILE 2302
#define IDS_CANNOT_SHOW 2303
#define IDS_APP_CAPTION 2305         // "Duoscope"
#define IDS_BROWSER_MENU_KEY 2331
#define IDS_SENDTO_LINK_NAME 2332    // "\Duoscope.lnk"
#define IDS_ONLINE_HELP_URL 2334
#define IDS_NO_COMPRESSION 2335      // "圧縮なし"
// Message formats: each takes the one argument named.
#define IDS_REGISTER_GRAPH_FAILED 2365     // %x: result code
#define IDS_VIDEO_VISIBILITY_FAILED 2366   // %x: result code
#define IDS_OPEN_DIALOG_FAILED 2367        // %x: the common dialog's error code
#define IDS_CANNOT_OPEN_FILE 2368          // %s: the reason, IDS_ASX_NOT_SUPPORTED
#define IDS_ASX_NOT_SUPPORTED 2369
#define IDS_OPEN_DIALOG_TITLE 2370
#define IDS_VOLUME_READ_FAILED 2371        // %x: result code
#define IDS_PATH_TOO_LONG 2372             // %d: the most bytes a path may have
#define IDS_TIP_SEEK_START 2377
#define IDS_TIP_SEEK_BAR 2378
#define IDS_TIP_SEEK_END 2379

// Help overlays of the full-screen windows
#define IDS_HELP_FS_FIRST 2500      // 2500 ... 2509: WinX3D and nVidia
#define IDS_HELP_FS_LAST 2509
#define IDS_HELP_WIN3D_TITLE 2511
#define IDS_HELP_NVIDIA_TITLE 2512
#define IDS_HELP_OPENGL_FIRST 2519  // 2519 ... 2529: OpenGL
#define IDS_HELP_OPENGL_LAST 2529
#define IDS_HELP_GDI_FIRST 2540     // 2540 ... 2557: GDI
#define IDS_HELP_GDI_LAST 2557
