# The figures program of scripts/bench: natively (bench preset) and under Wine
# (windows preset). It is run by scripts/bench, never by CTest.
file(GLOB FIGURE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_figures.cpp)
add_executable(figures ${CMAKE_SOURCE_DIR}/bench/figures_main.cpp ${FIGURE_SOURCES})
target_include_directories(figures PRIVATE ${CMAKE_SOURCE_DIR}/bench ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
if(WIN32)
  target_link_libraries(figures PRIVATE tollvane_win psapi)
else()
  target_link_libraries(figures PRIVATE tollvane_core)
endif()
