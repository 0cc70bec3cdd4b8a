# Writes each SVF file of the folders DIRS ("|" between them) into OUT once
# behind each mode byte (or bytes) the fuzz target reads first, and each file
# of the folders WIDE behind the first of them only: the real files there are
# large, and one mode is enough to start from their forms.
#
# MODES=play (svf_play_fuzzer): 0 plain, 1 compare, 2 verbose, 3 both; 5 and
# 7 (bit 2) followed by two bytes that put an offset of the file onto the
# tokenizer's buffer refill; 9 and : (bit 3) followed by the number of the
# write or read call that falls short.
# MODES=full (full_svf_fuzzer): "{" compare and --keep-going, "x" plain, "1"
# compare, with read buffers of 32, 32 and 14 bytes.
cmake_policy(SET CMP0054 NEW)  # "WIDE" is a word here, not the variable
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
string(ASCII 2 second_call)
string(ASCII 3 third_call)
if(MODES STREQUAL "full")
  set(modes "{" x 1)
else()
  set(modes 0 1 2 3 5AA 7A@ 9${second_call} :${third_call})
endif()
list(GET modes 0 first_mode)
foreach(group IN ITEMS DIRS WIDE)
  string(REPLACE "|" ";" dirs "${${group}}")
  set(group_modes ${modes})
  if(group STREQUAL "WIDE")
    set(group_modes "${first_mode}")
  endif()
  foreach(dir IN LISTS dirs)
    file(GLOB sources ${dir}/*.svf)
    foreach(source IN LISTS sources)
      get_filename_component(name ${source} NAME_WE)
      file(READ ${source} text)
      set(index 0)
      foreach(mode IN LISTS group_modes)
        file(WRITE ${OUT}/${name}-${index}.svf "${mode}${text}")
        math(EXPR index "${index} + 1")
      endforeach()
    endforeach()
  endforeach()
endforeach()
file(WRITE ${OUT}/.stamp "")
