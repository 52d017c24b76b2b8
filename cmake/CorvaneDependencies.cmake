# Every library the project uses, found once for all targets.
# The Debian packages that provide them are listed in scripts/packages.txt.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
set(CMAKE_AUTOUIC ON)

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(Qt5 5.15 REQUIRED COMPONENTS
  Core Gui Widgets Sql Concurrent Network Test TextToSpeech Multimedia LinguistTools)
find_package(Qt5UiPlugin QUIET)
find_package(Boost 1.74 REQUIRED COMPONENTS thread system chrono date_time)
find_package(fmt REQUIRED)
find_package(spdlog REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark QUIET)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale)
pkg_check_modules(GST_RTSP_SERVER QUIET IMPORTED_TARGET gstreamer-rtsp-server-1.0 gstreamer-1.0)
pkg_check_modules(ALSA QUIET IMPORTED_TARGET alsa)
pkg_check_modules(ESPEAK_NG REQUIRED IMPORTED_TARGET espeak-ng)
