# OpenGL ES 1.1 back end: the shared GL_* sources once more, in gr::gles1,
# with the GL1_* sources and the fixed-function library. The OES frame
# buffer functions are declared by the GL headers (GL_GLEXT_PROTOTYPES) and
# defined by GL1_FramebufferOES.cpp, which fetches them from the driver.
pkg_check_modules(GLESV1_CM REQUIRED IMPORTED_TARGET glesv1_cm)
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
file(GLOB gl1_only CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/GL1_*.cpp)
add_library(eng_gles1 STATIC ${gl_shared} ${gl1_only})
target_include_directories(eng_gles1 PUBLIC ${PROJECT_SOURCE_DIR}/source)
target_compile_definitions(eng_gles1 PRIVATE GR_GLES=1 GL_GLEXT_PROTOTYPES=1)
target_link_libraries(eng_gles1 PUBLIC eng_gr eng_io eng_lang eng_math eng_img eng_framework_linux PkgConfig::GLESV1_CM PkgConfig::EGL)
