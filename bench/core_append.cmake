# The history append of one folder into a large history file, beside reading and inflating that
# folder's stored lines alone, in the same run.
add_executable(bench_core_append ${CMAKE_CURRENT_LIST_DIR}/core_append.cpp)
target_link_libraries(bench_core_append PRIVATE kv_core kolvane_warnings)
