# Hosts the installer talks to. They are build settings so that a distribution
# (or a test build) points them elsewhere without touching the code.
set(LITE_DOWNLOAD_HOST "https://download.velmar.example" CACHE STRING "Setup archive CDN")
set(LITE_LEGAL_HOST "https://legal.velmar.example" CACHE STRING "Licence and privacy pages")
set(LITE_BROWSER_API_HOST "https://api.browser.velmar.example" CACHE STRING "Browser API (variations, server configuration)")
set(LITE_STATISTICS_HOST "https://stat.velmar.example" CACHE STRING "Install statistics")
set(LITE_STORAGE_HOST "https://storage.velmar.example" CACHE STRING "Slides and wallpaper storage")
set(LITE_CRASH_HOST "https://crash.velmar.example" CACHE STRING "Crash report upload")
set(LITE_BROWSER_SITE "https://browser.velmar.{domain}" CACHE STRING "Browser site; {domain} is the regional domain")
set(LITE_MAKER_SITE "https://velmar.{domain}" CACHE STRING "Maker's site; {domain} is the regional domain")

configure_file(${CMAKE_CURRENT_LIST_DIR}/endpoints.h.in ${CMAKE_BINARY_DIR}/generated/endpoints.h @ONLY)
