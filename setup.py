"""Builds the photonxs package: the compiled module through the project's CMake (no Qt, no
tests), the pure-Python part and its type stubs from python/photonxs, and the shipped library
(library/) inside the package, where photonxs finds it with importlib.resources."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

ROOT = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    """Configures and builds the module target alone, then copies it where setuptools wants it."""

    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        # Optimised as the release preset the benchmarks measure.
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG",
                     "-DPHOTONXS_BUILD_GUI=OFF", "-DBUILD_TESTING=OFF",
                     "-DPython_EXECUTABLE=" + sys.executable]
        if shutil.which("ninja") and not (build / "CMakeCache.txt").exists():
            configure.append("-GNinja")
        try:  # pybind11 from pip (plain pip install .); else the system's (pybind11-dev)
            import pybind11  # pylint: disable=import-outside-toplevel
            configure.append("-Dpybind11_DIR=" + pybind11.get_cmake_dir())
        except ImportError:
            pass
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "photonxs_python", "-j", jobs],
                       check=True)
        built = next((build / "python" / "photonxs").glob("_core.*"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


class BuildWithLibrary(build_py):
    """The package as usual, with the shipped library copied into it."""

    def run(self):
        super().run()
        library = Path(self.build_lib) / "photonxs" / "library"
        shutil.rmtree(library, ignore_errors=True)
        shutil.copytree(ROOT / "library", library, ignore=shutil.ignore_patterns(".git*"))


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(PhotonXS VERSION ([0-9.]+)", text).group(1)


setup(
    version=project_version(),
    packages=["photonxs"],
    package_dir={"": "python"},
    package_data={"photonxs": ["*.pyi", "py.typed"]},
    ext_modules=[Extension("photonxs._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild, "build_py": BuildWithLibrary},
    options={"build": {"build_base": "build/python-package"}},
)
