# The core's tests cross-built for Windows and run under Wine by
# tools/windows/test.sh, one program per layer folder as on Linux. Left out,
# each for what only POSIX has:
#   files_test, ini_file_test, history_store_test, history_output_test (so no
#   history/ program), indicator_pass_test,
#   png_codec_test: FIFOs, symbolic links to devices, fork and kill, inotify,
#     a file size limit; the Windows file layer is tested end to end instead
#   workbook_test: the workbook is not in the Windows build
#   interface/: its client speaks through raw POSIX sockets
#   tools/: runs the Linux programs as child processes; the .exe files are
#     tested by tools/windows/end_to_end.sh
# and, by name, in tools/windows/test.sh, the tests that need a FIFO.
set(TIVKA_TEST_SUPPORT ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support_windows.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/fake_chart_downloader.cpp)
set(TIVKA_POSIX_ONLY_TESTS "platform/files_test|platform/ini_file_test|history/history_store_test|history/history_output_test|export/indicator_pass_test|chart/png_codec_test|export/workbook_test")

foreach(folder platform chart acquisition reading export scheduling shell)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  list(FILTER sources EXCLUDE REGEX "/gui/|(${TIVKA_POSIX_ONLY_TESTS})\\.cpp$")
  add_executable(${folder}_tests ${sources} ${TIVKA_TEST_SUPPORT})
  target_include_directories(${folder}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${folder}_tests PRIVATE tivka_core tivka_charts tivka_tool_options GTest::gtest
                        GTest::gmock GTest::gtest_main)
endforeach()
