# engine_library(NAME DIR [DEPS ...]): a static library made of every source
# below DIR. A sub-folder with a CMakeLists.txt of its own is a library of its
# own and is left out, with everything below it; a sub-folder without one
# (io/std, io/detail) belongs to DIR's library. Libraries are named after
# their folders: eng_<folder>, eng_<folder>_<sub-folder>.
function(engine_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE all CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  file(GLOB_RECURSE owned CONFIGURE_DEPENDS ${dir}/*/CMakeLists.txt)
  set(srcs "")
  foreach(src ${all})
    set(keep TRUE)
    foreach(list_file ${owned})
      get_filename_component(sub ${list_file} DIRECTORY)
      string(FIND "${src}" "${sub}/" at)
      if(at EQUAL 0)
        set(keep FALSE)
      endif()
    endforeach()
    if(keep)
      list(APPEND srcs ${src})
    endif()
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/source)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# engine_test(NAME [APART filter] [DEPS ...]): one test executable made of
# every source in tests/NAME, registered test by test with CTest; the tests
# that the GoogleTest filter APART matches are left out, for the caller to
# register with settings of their own.
function(engine_test name)
  cmake_parse_arguments(ARG "" "APART" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  if(ARG_APART)
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "-${ARG_APART}")
  else()
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

# engine_benchmark(NAME [DEPS ...]): one Google Benchmark executable made of
# every source in bench/NAME.
function(engine_benchmark name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(bench_${name} ${srcs})
  set_target_properties(bench_${name} PROPERTIES UNITY_BUILD OFF)
  target_link_libraries(bench_${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# engine_add_subfolders([EXCEPT name ...]): adds every sub-folder of the
# current folder that has a CMakeLists.txt, in name order, but the ones
# named after EXCEPT; targets may name each other in any order.
function(engine_add_subfolders)
  cmake_parse_arguments(ARG "" "" "EXCEPT" ${ARGN})
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(child IN_LIST ARG_EXCEPT)
      continue()
    endif()
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# engine_plugin(NAME DIR [DEPS ...]): a shared library made of every source
# in DIR that programs open when they first need it (pf/linux/Plugin.h),
# so that the libraries it links are loaded only then. It links no engine
# library: the engine symbols it uses come from the program that opens it
# (programs export theirs, see cmake/ProgramExports.list). Built into the
# build tree's plugin folder, ENGINE_PLUGIN_DIR, which every program of the
# build sees as its "plugins" (engine_link_plugin_folders).
function(engine_plugin name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} SHARED ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/source)
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${ENGINE_PLUGIN_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  endif()
endfunction()

# engine_link_plugin_folders(): programs find their plugins in the
# "plugins" folder beside them (pf/linux/Plugin.h); in the build tree that
# folder is a link to ENGINE_PLUGIN_DIR beside every program of the build.
# Called once, after every program was added.
function(engine_link_plugin_folders)
  set(pending ${PROJECT_SOURCE_DIR})
  set(folders "")
  while(pending)
    list(POP_FRONT pending dir)
    get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND pending ${children})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        get_target_property(out ${target} RUNTIME_OUTPUT_DIRECTORY)
        if(NOT out)
          get_target_property(out ${target} BINARY_DIR)
        endif()
        list(APPEND folders ${out})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES folders)
  foreach(folder ${folders})
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${ENGINE_PLUGIN_DIR} ${folder}/plugins SYMBOLIC)
  endforeach()
endfunction()
