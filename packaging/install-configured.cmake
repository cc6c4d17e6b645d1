# Runs at install time: configures the launcher, the desktop entry and the manual with the
# paths of the prefix being installed to, then installs them (file(INSTALL) honours DESTDIR
# and records them in install_manifest.txt) together with the icons.

# A relative --prefix is taken from the directory cmake --install runs in, as the other install
# rules take it; the configured files need it absolute.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(KELMORA_LAUNCHER "${prefix}/${KELMORA_REL_BINDIR}/kelmora")
set(KELMORA_GAME "${prefix}/${KELMORA_REL_PKGLIBDIR}/kelmora")
set(KELMORA_DATA "${prefix}/${KELMORA_REL_DATADIR}/data")
# The launcher finds the program and the data from its own place, so that the tree works
# wherever it is put (a package unpacked with dpkg -x, a moved prefix).
file(RELATIVE_PATH KELMORA_PREFIX_FROM_BIN "${prefix}/${KELMORA_REL_BINDIR}" "${prefix}")
file(RELATIVE_PATH KELMORA_GAME_IN_PREFIX "${prefix}" "${KELMORA_GAME}")
file(RELATIVE_PATH KELMORA_DATA_IN_PREFIX "${prefix}" "${KELMORA_DATA}")

file(MAKE_DIRECTORY "${KELMORA_STAGE_DIR}")
configure_file("${KELMORA_SOURCE_DIR}/kelmora.sh.in" "${KELMORA_STAGE_DIR}/kelmora" @ONLY)
configure_file("${KELMORA_SOURCE_DIR}/kelmora.desktop.in"
               "${KELMORA_STAGE_DIR}/${KELMORA_APP_ID}.desktop" @ONLY)
configure_file("${KELMORA_SOURCE_DIR}/kelmora.6.in" "${KELMORA_STAGE_DIR}/kelmora.6" @ONLY)

file(INSTALL "${KELMORA_STAGE_DIR}/kelmora"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${KELMORA_REL_BINDIR}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
file(INSTALL "${KELMORA_STAGE_DIR}/${KELMORA_APP_ID}.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${KELMORA_REL_SHAREDIR}/applications")
file(INSTALL "${KELMORA_STAGE_DIR}/kelmora.6"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${KELMORA_REL_MANDIR}/man6")

# The generator draws the icon as kelmora-<size>.png; the theme wants it under the app id.
file(GLOB icons "${KELMORA_ICON_DIR}/kelmora-*.png")
foreach(icon IN LISTS icons)
    if(icon MATCHES "kelmora-([0-9]+)\\.png$")
        set(size "${CMAKE_MATCH_1}")
        file(INSTALL "${icon}"
             DESTINATION "${CMAKE_INSTALL_PREFIX}/${KELMORA_REL_SHAREDIR}/icons/hicolor/${size}x${size}/apps"
             RENAME "${KELMORA_APP_ID}.png")
    endif()
endforeach()
