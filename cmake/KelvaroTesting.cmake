# kelvaro_add_qt_test(<name> SOURCES <files...> [LIBRARIES <targets...>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs on the
# offscreen platform; the executables also switch QStandardPaths into test mode
# (see tests/support/TestMain.h), so no test reads or writes the user's own files.
function(kelvaro_add_qt_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kelvaro_testsupport Qt6::Test ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name})
    set(env
        QT_QPA_PLATFORM=offscreen
        ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
        LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
