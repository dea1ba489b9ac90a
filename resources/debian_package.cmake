# The Debian package, made by scripts/package.sh: every installed program under /usr, built with
# ORV_USER_DATA_FOLDER so each user's files go to their data folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvcontrolclient)
# All four parts: CPack would take only the first three.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "OrvControlClient maintainers <maintainers@users.noreply.c-seed-dac19916.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control client for remotely operated radio-station panels")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[Operates the Orv11 feedline extender and antenna tuner, the Orv15 radio router
and the Orv18 eight-port auxiliary switch through their controller over TCP:
scans the bus, shows every panel's status, switches ports, steps tuners,
recalls tuner memories and replays stored command sequences.
Includes controller-sim, a controller with simulated panels for trying it out.]])
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Staged with DESTDIR, so the menu entry's Exec names /usr/bin, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries come from dpkg-shlibdeps; the faces the windows ask for (see main.cpp) it cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-comic-neue, fonts-dejavu-extra")
include(CPack)
