# Run by CPack on the staged files before it packs them: the programs lose their .comment
# and .note sections too, as a distribution's own strip removes them.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/hushwell*")
foreach(program ${programs})
  execute_process(COMMAND objcopy --remove-section=.comment --remove-section=.note ${program} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
