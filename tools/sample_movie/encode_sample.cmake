# Pipes the rendered frames into ffmpeg and checks both ends of the pipe, so
# a failed render never leaves a short movie behind that looks up to date.
#   cmake -DFRAMES_TOOL=... -DFFMPEG=... -DOUTPUT=.../duoscope-sample.mp4 -P encode_sample.cmake
# The frame size and rate here match the tool's defaults.
foreach(_var FRAMES_TOOL FFMPEG OUTPUT)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "encode_sample.cmake needs -D${_var}=...")
  endif()
endforeach()

get_filename_component(_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${_dir})
set(_partial ${OUTPUT}.partial.mp4)
file(REMOVE ${_partial})
execute_process(
  COMMAND ${FRAMES_TOOL}
  COMMAND ${FFMPEG} -hide_banner -loglevel error -nostdin -y
          -f rawvideo -pix_fmt bgr24 -s 1280x480 -r 25 -i -
          -c:v libx264 -preset medium -crf 20 -pix_fmt yuv420p -movflags +faststart
          ${_partial}
  RESULTS_VARIABLE _results)
foreach(_rc IN LISTS _results)
  if(NOT _rc STREQUAL "0")
    file(REMOVE ${_partial})
    message(FATAL_ERROR "Making the sample movie failed (exit codes: ${_results})")
  endif()
endforeach()
file(RENAME ${_partial} ${OUTPUT})
