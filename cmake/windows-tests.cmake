# Tests of the Windows trees. GoogleTest is built from Debian's sources
# (there is no mingw package of it); both trees run their tests under Wine
# through scripts/wine-run (the i686 tree, the product, needs the 32-bit
# Wine).

set(DUOSCOPE_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources for the Windows trees")
if(NOT EXISTS ${DUOSCOPE_GTEST_SOURCE}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources in ${DUOSCOPE_GTEST_SOURCE}: unit tests are not built")
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${DUOSCOPE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set(GTest_FOUND TRUE)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run)
endif()

# Side-by-side test-pattern movies for the DirectShow tests, made in the
# build tree: 10 frames at 10 fps, the left view with a red 24-pixel square
# at (8, 8), the right view with a blue one at (8, 8) and its picture moved
# 8 pixels left. RGB24 AVIs are stored bottom-up (vflip and a positive
# height), as Windows writes them; YUY2 is top-down by definition.
set(DUOSCOPE_TEST_MEDIA_DIR ${CMAKE_BINARY_DIR}/test-media)
set(_media_rgb24 sbs_rgb24_320x240.avi)
set(_media_rgb24_odd sbs_rgb24_318x240.avi)
set(_media_yuy2 sbs_yuy2_320x240.avi)
set(_media_mp4 sbs_320x240.mp4)
set(_media_files)
set(_media_mp4_is_h264 0)

# _duoscope_test_movie(<file> <width> <BOTTOM_UP|TOP_DOWN> <ffmpeg codec args...>)
function(_duoscope_test_movie name width rows)
  math(EXPR view_width "${width} / 2")
  set(tail "")
  if(rows STREQUAL "BOTTOM_UP")
    set(tail ",vflip")
    list(APPEND ARGN -flipped_raw_rgb 1)
  endif()
  set(out ${DUOSCOPE_TEST_MEDIA_DIR}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${DUOSCOPE_FFMPEG} -nostdin -hide_banner -loglevel error -y
            -f lavfi -i testsrc=size=${view_width}x240:rate=10
            -filter_complex "[0]split[l][r]$<SEMICOLON>[l]drawbox=x=8:y=8:w=24:h=24:color=red:t=fill[lv]$<SEMICOLON>[r]crop=iw-8:ih:8:0,pad=iw+8:ih:0:0:black,drawbox=x=8:y=8:w=24:h=24:color=blue:t=fill[rv]$<SEMICOLON>[lv][rv]hstack${tail}"
            -frames:v 10 -an ${ARGN} ${out}
    DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Making test movie ${name}"
    VERBATIM)
  set(_media_files ${_media_files} ${out} PARENT_SCOPE)
endfunction()

find_program(DUOSCOPE_FFMPEG ffmpeg)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  if(DUOSCOPE_FFMPEG)
    execute_process(COMMAND ${DUOSCOPE_FFMPEG} -hide_banner -encoders
                    OUTPUT_VARIABLE _encoders ERROR_QUIET)
    if(_encoders MATCHES "libx264")
      set(_media_mp4_is_h264 1)
      set(_mp4_codec -c:v libx264 -preset veryfast -pix_fmt yuv420p)
    else()
      set(_mp4_codec -c:v mpeg4 -q:v 3)
    endif()
    _duoscope_test_movie(${_media_rgb24} 320 BOTTOM_UP -c:v rawvideo -pix_fmt bgr24)
    _duoscope_test_movie(${_media_rgb24_odd} 318 BOTTOM_UP -c:v rawvideo -pix_fmt bgr24)
    _duoscope_test_movie(${_media_yuy2} 320 TOP_DOWN -c:v rawvideo -pix_fmt yuyv422)
    _duoscope_test_movie(${_media_mp4} 320 TOP_DOWN ${_mp4_codec})
    add_custom_target(duoscope_test_media DEPENDS ${_media_files})
  else()
    message(WARNING "ffmpeg not found: no test movies, the DirectShow tests will fail")
  endif()
endif()

# The movies' paths as Wine sees them (Z: is /), for the tests.
string(REPLACE "/" "\\\\" _media_dir_win "Z:${DUOSCOPE_TEST_MEDIA_DIR}/")
file(CONFIGURE OUTPUT ${DUOSCOPE_TEST_MEDIA_DIR}/duoscope_test_media.h @ONLY CONTENT [[
// Made by cmake/windows-tests.cmake: this build tree's test movies, as
// paths under Wine (Z: is the root). L"" DUOSCOPE_TEST_MOVIE_... makes a
// wide string.
#pragma once
#define DUOSCOPE_TEST_MEDIA_DIR "@_media_dir_win@"
#define DUOSCOPE_TEST_MOVIE_RGB24_AVI DUOSCOPE_TEST_MEDIA_DIR "@_media_rgb24@"
#define DUOSCOPE_TEST_MOVIE_RGB24_ODD_AVI DUOSCOPE_TEST_MEDIA_DIR "@_media_rgb24_odd@"
#define DUOSCOPE_TEST_MOVIE_YUY2_AVI DUOSCOPE_TEST_MEDIA_DIR "@_media_yuy2@"
#define DUOSCOPE_TEST_MOVIE_MP4 DUOSCOPE_TEST_MEDIA_DIR "@_media_mp4@"
// 0 when ffmpeg had no libx264 and wrote MPEG-4 part 2 instead.
#define DUOSCOPE_TEST_MOVIE_MP4_IS_H264 @_media_mp4_is_h264@
#define DUOSCOPE_TEST_MOVIE_FRAMES 10
#define DUOSCOPE_TEST_MOVIE_HEIGHT 240
]])

# The Windows side of a test executable: the movies' header, the system
# libraries, and its tests registered with ctest when this tree can run
# them. Each test runs in its own Wine process and prefix (about 0.6 s
# each): a test that crashes or changes the registry leaves the others
# alone. They share one Xvfb, two at a time under ./run-tests.
function(duoscope_windows_test_target target)
  target_include_directories(${target} PRIVATE ${DUOSCOPE_TEST_MEDIA_DIR})
  target_link_libraries(${target} PRIVATE strmiids ole32 oleaut32 uuid gdi32 user32)
  if(TARGET duoscope_test_media)
    add_dependencies(${target} duoscope_test_media)
  endif()
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    include(GoogleTest)
    # Listing runs at ctest time, when Wine and the display are there; on
    # its own, wine-run may first have to make the template prefix.
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 NO_PRETTY_VALUES
                         TEST_FILTER "-*JapaneseCodePage*" PROPERTIES TIMEOUT 120)
    # Tests named for the Japanese code page run together in a Japanese
    # locale (code page 932), and must neither skip nor be missing.
    add_test(NAME ${target}.UnderTheJapaneseCodePage COMMAND ${target} --gtest_filter=*JapaneseCodePage*)
    set_tests_properties(${target}.UnderTheJapaneseCodePage PROPERTIES
                         ENVIRONMENT DUOSCOPE_WINE_LOCALE=ja_JP.UTF-8 TIMEOUT 120
                         FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]|\\[  PASSED  \\] 0 tests")
  endif()
endfunction()
