"""The benchmarks' work folder: each run works in a folder of its own below --work and
removes only that, so that a --work naming a folder of other files loses nothing."""

import contextlib
import os
import shutil
import sys

# The one name a run's own folder has below --work.
RUN_FOLDER = "zandrel2-run"


@contextlib.contextmanager
def run_folder(work, program):
    """Yields the run's own folder below `work`, made anew, and removes it at the end,
    with `work` itself where the run made it and nothing else is in it. A `work` that
    holds anything but a run's folder left by an earlier run is refused."""
    work = os.path.abspath(work)
    made = not os.path.exists(work)
    if not made:
        if not os.path.isdir(work):
            sys.exit(f"{program}: --work {work} is not a folder")
        others = sorted(name for name in os.listdir(work) if name != RUN_FOLDER)
        if others:
            sys.exit(f"{program}: --work {work} holds other files ({', '.join(others[:3])}"
                     f"{', ...' if len(others) > 3 else ''}); name an empty or new folder")
    own = os.path.join(work, RUN_FOLDER)
    shutil.rmtree(own, ignore_errors=True)
    os.makedirs(own)
    try:
        yield own
    finally:
        shutil.rmtree(own, ignore_errors=True)
        if made:
            with contextlib.suppress(OSError):
                os.rmdir(work)
