# `cmake --install build --prefix PREFIX` lays the program folder down whole in
# PREFIX/lib/velmo-joiner (the program finds everything beside itself there and only reads
# it: each user's preferences and temp folder are in their own folders), links
# PREFIX/bin/velmo-joiner to it, and registers the program with the desktop: a menu
# entry that file managers offer under "Open with" for the video types it accepts.
set(VELMO_INSTALL_FOLDER lib/velmo-joiner)

install(TARGETS velmo-joiner asapi RUNTIME DESTINATION ${VELMO_INSTALL_FOLDER})
# The pristine preferences, not the build folder's, which may hold a developer's choices.
install(FILES ${PROJECT_SOURCE_DIR}/data/Preferences.ini ${VELMO_PROGRAM_DIR}/Velmo.chm
        DESTINATION ${VELMO_INSTALL_FOLDER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Profiles DESTINATION ${VELMO_INSTALL_FOLDER} FILES_MATCHING PATTERN "*.bpf")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help/ DESTINATION ${VELMO_INSTALL_FOLDER}/help
        FILES_MATCHING PATTERN "*.html")
install(FILES ${PROJECT_SOURCE_DIR}/data/pictures/velmo-joiner.png DESTINATION share/icons/hicolor/64x64/apps)

# Written at install time, so that the entry names the prefix given to `cmake --install`.
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
    file(CREATE_LINK "../lib/velmo-joiner/velmo-joiner" "${root}/bin/velmo-joiner" SYMBOLIC)
    file(WRITE "${root}/share/applications/velmo-joiner.desktop" "[Desktop Entry]
Type=Application
Name=Velmo AVI Video Joiner
GenericName=Video Joiner
Comment=Join video files of any common format into one file
Exec=\"${CMAKE_INSTALL_PREFIX}/lib/velmo-joiner/velmo-joiner\" %F
Icon=velmo-joiner
Terminal=false
Categories=AudioVideo;Video;AudioVideoEditing;
MimeType=video/x-msvideo;video/avi;video/mpeg;video/x-mpeg;video/mp4;video/x-ms-wmv;video/quicktime;video/x-ms-asf;video/dvd;video/x-matroska;video/webm;video/mp2t;video/x-m4v;video/3gpp;video/x-flv;video/ogg;
Keywords=join;merge;video;avi;mpeg;
")
]])
