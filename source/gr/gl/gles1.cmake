# OpenGL ES 1.1 back end: the shared GL_* sources once more, in gr::gles1,
# with the GL1_* sources and the fixed-function library.
#
# The OES frame and render buffer functions are declared by the GL headers
# (GL_GLEXT_PROTOTYPES) and defined by GL1_FramebufferOES.cpp, which fetches
# the driver's entry points through eglGetProcAddress. So that these
# definitions can never clash with (or be mistaken for) a GL library that
# does export the functions, every use of the usual names is renamed here to
# names of the back end's own (glBindFramebufferOES becomes
# grGles1BindFramebufferOES, and so on). Code that links eng_gles1 sees the
# same renaming.
pkg_check_modules(GLESV1_CM REQUIRED IMPORTED_TARGET glesv1_cm)
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
set(gl1_oes_entry_points
  glIsRenderbufferOES glBindRenderbufferOES glDeleteRenderbuffersOES glGenRenderbuffersOES
  glRenderbufferStorageOES glGetRenderbufferParameterivOES glIsFramebufferOES glBindFramebufferOES
  glDeleteFramebuffersOES glGenFramebuffersOES glCheckFramebufferStatusOES glFramebufferRenderbufferOES
  glFramebufferTexture2DOES glGetFramebufferAttachmentParameterivOES glGenerateMipmapOES)
set(gl1_oes_renames)
foreach(fn IN LISTS gl1_oes_entry_points)
  string(REGEX REPLACE "^gl" "grGles1" internal ${fn})
  list(APPEND gl1_oes_renames "${fn}=${internal}")
endforeach()
file(GLOB gl1_only CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/GL1_*.cpp)
add_library(eng_gles1 STATIC ${gl_shared} ${gl1_only})
target_include_directories(eng_gles1 PUBLIC ${PROJECT_SOURCE_DIR}/source)
target_compile_definitions(eng_gles1 PRIVATE GR_GLES=1 GL_GLEXT_PROTOTYPES=1 PUBLIC ${gl1_oes_renames})
target_link_libraries(eng_gles1 PUBLIC eng_gr eng_io eng_lang eng_math eng_img eng_gl_platform PkgConfig::GLESV1_CM PkgConfig::EGL)
