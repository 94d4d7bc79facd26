# Dear ImGui (docking branch) is not packaged by Debian; scripts/setup-deps.sh
# extracts the pinned sources into KORVANE_DEPS_DIR/imgui and we build them here.
set(KORVANE_IMGUI_DIR "${KORVANE_DEPS_DIR}/imgui")
if(NOT EXISTS "${KORVANE_IMGUI_DIR}/imgui.h")
  message(FATAL_ERROR "Dear ImGui sources not found in ${KORVANE_IMGUI_DIR}; run scripts/setup-deps.sh first")
endif()
file(STRINGS "${KORVANE_IMGUI_DIR}/imgui.h" _imgui_dock REGEX "#define IMGUI_HAS_DOCK")
if(NOT _imgui_dock)
  message(FATAL_ERROR "The Dear ImGui in ${KORVANE_IMGUI_DIR} is not the docking branch")
endif()

add_library(imgui STATIC
  ${KORVANE_IMGUI_DIR}/imgui.cpp
  ${KORVANE_IMGUI_DIR}/imgui_draw.cpp
  ${KORVANE_IMGUI_DIR}/imgui_tables.cpp
  ${KORVANE_IMGUI_DIR}/imgui_widgets.cpp
  ${KORVANE_IMGUI_DIR}/imgui_demo.cpp
  ${KORVANE_IMGUI_DIR}/imgui_stacklayout.cpp
  ${KORVANE_IMGUI_DIR}/misc/cpp/imgui_stdlib.cpp
  ${KORVANE_IMGUI_DIR}/backends/imgui_impl_glfw.cpp
  ${KORVANE_IMGUI_DIR}/backends/imgui_impl_opengl3.cpp)
target_include_directories(imgui SYSTEM PUBLIC
  ${KORVANE_IMGUI_DIR} ${KORVANE_IMGUI_DIR}/backends ${KORVANE_IMGUI_DIR}/misc/cpp)
target_compile_definitions(imgui PUBLIC IMGUI_DISABLE_OBSOLETE_FUNCTIONS)
target_link_libraries(imgui PUBLIC PkgConfig::GLFW3 OpenGL::GL ${CMAKE_DL_LIBS})
