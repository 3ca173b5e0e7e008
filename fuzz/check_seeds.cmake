# Every fuzz target starts from a corpus of its own in fuzz/seeds/<target>/: without one the fuzzer
# spends its time rediscovering the input format and reaches a fraction of the decoder.
# Run as: cmake -DSOURCE_DIR=<checkout> -P fuzz/check_seeds.cmake
file(GLOB targets ${SOURCE_DIR}/fuzz/fuzz_*.cpp)
set(missing "")
foreach(target ${targets})
    get_filename_component(name ${target} NAME_WE)
    file(GLOB seeds ${SOURCE_DIR}/fuzz/seeds/${name}/*)
    list(LENGTH seeds count)
    if(count LESS 2)
        list(APPEND missing ${name})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "fuzz targets without at least two seeds in fuzz/seeds/<target>/: ${missing}")
endif()
