# zenlo_add_library(NAME [SHARED] SOURCES_DIR dir LINKS ...): one library per folder.
# Sources are the folder's *.cpp/*.h (not its tests/), so adding a file needs no edit here.
function(zenlo_glob_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# zenlo_add_tests(dir LINKS libs...): one test executable per tests/tst_*.cpp.
# Every test runs headless with a home of its own, so nothing touches the user's files.
function(zenlo_add_tests dir)
  if(NOT ZENLO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "LABEL" "LINKS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/tests/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${dir}/tests/*_helper.cpp ${dir}/tests/*_helper.h)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} ${helpers})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(${name} PRIVATE ${dir}/tests ${PROJECT_SOURCE_DIR}/src/testsupport)
    target_link_libraries(${name} PRIVATE Qt6::Test zenlo_testsupport ${T_LINKS})
    target_compile_definitions(${name} PRIVATE ZENLO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      ZENLO_PROGRAM_DIR="${ZENLO_PROGRAM_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set(home ${CMAKE_BINARY_DIR}/testhome/${name})
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;ZENLO_REGISTRY_DIR=${home}/registry;ZENLO_TIMINGS="
      TIMEOUT 600)
    if(T_LABEL)
      set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL})
    endif()
  endforeach()
endfunction()
