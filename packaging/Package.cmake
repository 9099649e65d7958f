# The control fields of the Debian package `cpack -G DEB` builds: mirto_<version>_<arch>.deb.
set(MIRTO_MAINTAINER "Mirto maintainers <maintainers@mirto.example.org>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")
set(MIRTO_HOMEPAGE "https://mirto.example.org" CACHE STRING "Home page, also where the screenshots are published")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Mirto developers")
set(CPACK_PACKAGE_CONTACT ${MIRTO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "survey sampling calculator")
set(CPACK_PACKAGE_DESCRIPTION
    "Mirto computes the estimates, confidence intervals, standard deviations of
estimators, required sample sizes and stratum allocations of survey sampling:
simple random, stratified, cluster, two-stage and unequal-probability samples
(with and without replacement), ratio and regression estimators, and
model-based prediction.

Each calculation is chosen from a menu, asks its figures in short forms and
appends a plain-text report to a journal that can be saved, printed and
exported. The same calculations run without a window from scripts
(mirto --batch), which can also write every figure as JSON Lines or CSV.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The first packaging of each upstream version; its changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MIRTO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MIRTO_HOMEPAGE})
# Depends from the libraries the binary links, as dpkg-shlibdeps (dpkg-dev) finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
