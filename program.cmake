# The Windows program: the General page, the sheet and the start-up, over the portable
# libraries, with the resources and the manifest.
add_library(configurator_ui STATIC
  editor/general_page.cpp
  editor/general_page_save.cpp
  editor/pair_list_control.cpp
  shell/configuration_sheet.cpp
  shell/program_state.cpp)
target_link_libraries(configurator_ui PUBLIC store net pair_rules comctl32 user32 advapi32)

set(MDNS_RESOURCES ${PROJECT_SOURCE_DIR}/resources/configurator.rc)
set_source_files_properties(${MDNS_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/configurator.manifest;${PROJECT_SOURCE_DIR}/resources/configurator.ico;${PROJECT_SOURCE_DIR}/resources/resource_ids.h")

add_executable(mDNSConfig WIN32 shell/main.cpp ${MDNS_RESOURCES})
target_link_libraries(mDNSConfig PRIVATE configurator_ui)
if(MSVC)
  # The manifest comes from the resources; the linker must not add a second one.
  target_link_options(mDNSConfig PRIVATE /MANIFEST:NO)
endif()
