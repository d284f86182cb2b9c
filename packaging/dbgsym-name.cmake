# Run by cpack after it built the packages: CPack names the debug-symbol packages
# NAME-dbgsym_VERSION_ARCH.ddeb; Debian names them .deb, and lintian and apt only take that.
file(GLOB ddebs "${CPACK_PACKAGE_DIRECTORY}/*-dbgsym_*.ddeb")
foreach(ddeb IN LISTS ddebs)
  string(REGEX REPLACE "\\.ddeb$" ".deb" deb "${ddeb}")
  file(RENAME "${ddeb}" "${deb}")
endforeach()
