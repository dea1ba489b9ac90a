# Writes the menu entry with Exec pointing at the installed executable.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(ORV_INSTALL_BINDIR "${prefix}/${ORV_BINDIR}")
set(dest "$ENV{DESTDIR}${prefix}/${ORV_DATADIR}/applications/orvcontrolclient.desktop")
message(STATUS "Installing: ${dest}")
configure_file("${ORV_DESKTOP_IN}" "${dest}" @ONLY)
