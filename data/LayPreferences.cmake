# Copies SOURCE to TARGET unless TARGET exists: the preferences are the user's once laid down.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
