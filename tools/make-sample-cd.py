#!/usr/bin/python3
"""Builds a small, realistic catalog CD tree for demonstrating and testing the installer.

The tree is byte-for-byte the same on every run: pages come from fixed data, images
are drawn with fixed shapes and a seeded generator, and file times are pinned.

A catalog CD carries its installer: where the Windows programs are built (the 32-bit
build by default), they go to the CD's root with an AUTORUN.INF that starts the
install dialog when the disc is inserted. With --catalog, the CD is made from a
publisher's own catalog folder instead of the sample.
"""

import argparse
import html.parser
import os
import posixpath
import random
import shutil
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFont

CATALOG_ID = "QXT905"
FRAME_PAGE = CATALOG_ID + "_frame.htm"
MENU_PAGE = CATALOG_ID + "_menu.htm"
TOP_PAGE = CATALOG_ID + "_top.htm"
APP_FOLDER = CATALOG_ID + "_app_jpeg"
JPEG_QUALITY = 80
# Every file and folder gets this time, so nothing on the CD depends on when it was made.
PINNED_TIME = 986083200  # 2001-04-01 00:00:00 UTC
FILE_MODE = 0o644
EXECUTABLE_MODE = 0o755
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The disc's installer: the install dialog, which autorun starts, and its command line.
INSTALLER_PROGRAMS = ("Zandrel2.exe", "zandrel2-install.exe")
AUTORUN = "[autorun]\r\nopen=Zandrel2.exe\r\nicon=Zandrel2.exe,0\r\nlabel=Product catalog\r\n"
FOLDER_MODE = 0o755

GUIDE_IMAGES = ("logo.jpg", "btn_home.jpg", "btn_prev.jpg", "btn_next.jpg")
APP_IMAGES = ("app_01.jpg", "app_02.jpg", "app_03.jpg", "app_04.jpg")

# page, title, photos in FP/jpg, application photo, blurb, spec rows (model, size, rating, material)
PRODUCTS = (
    ("ball_valve.htm", "Ball Valves", ("p001.jpg", "p002.jpg"), "app_01.jpg",
     "Full-bore ball valves for water, air and light oils. Quarter-turn lever, blow-out proof stem.",
     (("BV-15", "DN15", "PN40", "Brass"), ("BV-25", "DN25", "PN40", "Brass"),
      ("BV-50S", "DN50", "PN25", "Stainless 316"))),
    ("gate_valve.htm", "Gate Valves", ("p003.jpg",), "app_02.jpg",
     "Rising-stem gate valves with a solid wedge for isolation duty in long pipe runs.",
     (("GV-50", "DN50", "PN16", "Cast iron"), ("GV-80", "DN80", "PN16", "Cast iron"))),
    ("check_valve.htm", "Check Valves", ("p004.jpg",), "app_02.jpg",
     "Spring-loaded check valves that close quietly and work in any mounting position.",
     (("CV-20", "DN20", "PN25", "Brass"), ("CV-40", "DN40", "PN25", "Bronze"))),
    ("pressure_reg.htm", "Pressure Regulators", ("p005.jpg",), "app_03.jpg",
     "Direct-acting pressure reducing valves with a gauge port on both sides.",
     (("PR-15", "DN15", "1.5-6 bar", "Brass"), ("PR-32", "DN32", "1.5-6 bar", "Bronze"))),
    ("flow_meter.htm", "Flow Meters", ("p006.jpg", "p007.jpg"), "app_03.jpg",
     "Variable-area and turbine flow meters with local display or pulse output.",
     (("FM-10A", "DN10", "0.5-5 l/min", "Glass / brass"), ("FM-25T", "DN25", "5-80 l/min", "Stainless 304"))),
    ("fittings.htm", "Compression Fittings", ("p008.jpg",), "app_04.jpg",
     "Twin-ferrule compression fittings for metric and imperial tube.",
     (("CF-06", "6 mm", "PN100", "Stainless 316"), ("CF-12", "12 mm", "PN63", "Stainless 316"))),
    ("hoses.htm", "Hose Assemblies", ("p009.jpg",), "app_04.jpg",
     "Braided hose assemblies made to length with swaged ends.",
     (("HA-08", "8 mm", "PN160", "PTFE / SS braid"), ("HA-16", "16 mm", "PN100", "EPDM / SS braid"))),
    ("filters.htm", "Strainers and Filters", ("p010.jpg",), "app_01.jpg",
     "Y-strainers and cartridge filters that protect valves and meters downstream.",
     (("YS-25", "DN25", "PN25", "Bronze"), ("CF-40", "DN40", "PN16", "Polypropylene"))),
    ("actuators.htm", "Valve Actuators", ("p011.jpg", "p012.jpg"), "app_02.jpg",
     "Pneumatic and electric actuators sized for the ball valves of this catalog.",
     (("PA-10", "ISO F05", "6 bar air", "Aluminium"), ("EA-20", "ISO F07", "24 V DC", "Polyamide"))),
    ("spare_parts.htm", "Spare Parts", ("p013.jpg",), "app_03.jpg",
     "Seat kits, stem packings and handles for the valves of this catalog.",
     (("SK-BV25", "for BV-25", "-", "PTFE"), ("SP-GV50", "for GV-50", "-", "Graphite"))),
)

PHOTOS = tuple(photo for product in PRODUCTS for photo in product[2])


def page_head(title, css_href):
    return (
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n'
        "<html>\n<head>\n"
        '<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">\n'
        f"<title>{title}</title>\n"
        f'<link rel="stylesheet" type="text/css" href="{css_href}">\n'
        "</head>\n"
    )


def index_page():
    return page_head("Norvane Fluid Components - Catalog CD", "catalog.css") + (
        "<body>\n"
        "<h1>Norvane Fluid Components</h1>\n"
        "<p>Installed catalogs on this computer:</p>\n"
        "<ul>\n"
        f'<li><a href="{CATALOG_ID}/HTML/{FRAME_PAGE}">Catalog {CATALOG_ID}: valves, meters and fittings</a></li>\n'
        "</ul>\n"
        '<p class="small">Open a catalog to browse its products.</p>\n'
        "</body>\n</html>\n"
    )


def catalog_css():
    return (
        "body { font-family: Arial, Helvetica, sans-serif; font-size: 10pt; color: #202020; background: #ffffff; }\n"
        "h1 { font-size: 16pt; color: #1a3c6e; }\n"
        "h2 { font-size: 13pt; color: #1a3c6e; border-bottom: 1px solid #1a3c6e; }\n"
        "table.spec { border-collapse: collapse; }\n"
        "table.spec th, table.spec td { border: 1px solid #8090a0; padding: 2px 6px; }\n"
        "table.spec th { background: #dde4ee; }\n"
        "td.menu { font-size: 9pt; }\n"
        ".small { font-size: 8pt; color: #606060; }\n"
    )


def frame_page():
    return (
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Frameset//EN">\n'
        "<html>\n<head>\n"
        '<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">\n'
        f"<title>Catalog {CATALOG_ID}</title>\n"
        "</head>\n"
        '<frameset cols="180,*">\n'
        f'<frame name="menu" src="{MENU_PAGE}" scrolling="auto">\n'
        f'<frame name="main" src="{TOP_PAGE}">\n'
        "<noframes>\n<body>\n"
        f'<p>This catalog uses frames. <a href="{MENU_PAGE}">Open the product list</a>.</p>\n'
        "</body>\n</noframes>\n"
        "</frameset>\n</html>\n"
    )


def menu_page():
    items = "".join(
        f'<tr><td class="menu"><a href="{page}" target="main">{title}</a></td></tr>\n'
        for page, title, *_ in PRODUCTS
    )
    return page_head("Menu", "../../catalog.css") + (
        '<body bgcolor="#eef2f8">\n'
        f'<a href="{TOP_PAGE}" target="main"><img src="guide_img/logo.jpg" width="160" height="48" border="0" alt="Norvane"></a>\n'
        '<table border="0" cellpadding="2" cellspacing="0">\n'
        f'<tr><td class="menu"><a href="{TOP_PAGE}" target="main">Overview</a></td></tr>\n'
        f"{items}"
        '<tr><td class="menu"><a href="howto.htm" target="main">How to use this CD</a></td></tr>\n'
        "</table>\n"
        '<p class="small"><a href="../../index.htm" target="_top">All catalogs</a></p>\n'
        "</body>\n</html>\n"
    )


def top_page():
    rows = "".join(
        f'<li><a href="{page}">{title}</a></li>\n' for page, title, *_ in PRODUCTS
    )
    return page_head(f"Catalog {CATALOG_ID} - Overview", "../../catalog.css") + (
        "<body>\n"
        '<img src="guide_img/logo.jpg" width="160" height="48" alt="Norvane">\n'
        f"<h1>Catalog {CATALOG_ID}: Valves, Meters and Fittings</h1>\n"
        f'<p><img src="{APP_FOLDER}/app_01.jpg" width="240" height="160" align="right" alt="Plant room">'
        "This catalog lists our standard range for building services and light process plants. "
        "Choose a product group:</p>\n"
        f"<ul>\n{rows}</ul>\n"
        '<p>New to this CD? Read <a href="howto.htm">How to use this CD</a>.</p>\n'
        "</body>\n</html>\n"
    )


def howto_page():
    return page_head("How to use this CD", "../../catalog.css") + (
        "<body>\n"
        "<h1>How to use this CD</h1>\n"
        "<p>Pick a product group in the menu on the left. On each product page:</p>\n"
        '<table border="0" cellpadding="4">\n'
        '<tr><td><img src="guide_img/btn_prev.jpg" width="64" height="24" alt="Previous"></td><td>goes to the previous product group,</td></tr>\n'
        '<tr><td><img src="guide_img/btn_next.jpg" width="64" height="24" alt="Next"></td><td>goes to the next product group,</td></tr>\n'
        '<tr><td><img src="guide_img/btn_home.jpg" width="64" height="24" alt="Overview"></td><td>returns to the overview.</td></tr>\n'
        "</table>\n"
        f'<p><a href="{TOP_PAGE}">Back to the overview</a></p>\n'
        "</body>\n</html>\n"
    )


def product_page(position):
    page, title, photos, app_photo, blurb, specs = PRODUCTS[position]
    previous_page = PRODUCTS[position - 1][0] if position > 0 else TOP_PAGE
    next_page = PRODUCTS[position + 1][0] if position + 1 < len(PRODUCTS) else TOP_PAGE
    pictures = "".join(
        f'<img src="../jpg/{photo}" width="300" height="225" alt="{title}" hspace="4">\n'
        for photo in photos
    )
    spec_rows = "".join(
        f"<tr><td>{model}</td><td>{size}</td><td>{rating}</td><td>{material}</td></tr>\n"
        for model, size, rating, material in specs
    )
    return page_head(f"{title} - Catalog {CATALOG_ID}", "../../catalog.css") + (
        "<body>\n"
        '<table border="0" cellpadding="0" cellspacing="4"><tr>\n'
        f'<td><a href="{previous_page}"><img src="guide_img/btn_prev.jpg" width="64" height="24" border="0" alt="Previous"></a></td>\n'
        f'<td><a href="{TOP_PAGE}"><img src="guide_img/btn_home.jpg" width="64" height="24" border="0" alt="Overview"></a></td>\n'
        f'<td><a href="{next_page}"><img src="guide_img/btn_next.jpg" width="64" height="24" border="0" alt="Next"></a></td>\n'
        "</tr></table>\n"
        f"<h1>{title}</h1>\n"
        f"<p>{blurb}</p>\n"
        f"<p>{pictures}</p>\n"
        "<h2>Models</h2>\n"
        '<table class="spec">\n'
        "<tr><th>Model</th><th>Size</th><th>Rating</th><th>Material</th></tr>\n"
        f"{spec_rows}"
        "</table>\n"
        "<h2>Typical application</h2>\n"
        f'<p><img src="{APP_FOLDER}/{app_photo}" width="240" height="160" alt="Application example"></p>\n'
        f'<p class="small"><a href="{TOP_PAGE}">Overview</a> | <a href="howto.htm">Help</a></p>\n'
        "</body>\n</html>\n"
    )


def vertical_gradient(size, top, bottom):
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    width, height = size
    for y in range(height):
        share = y / max(height - 1, 1)
        colour = tuple(round(a + (b - a) * share) for a, b in zip(top, bottom))
        draw.line([(0, y), (width - 1, y)], fill=colour)
    return image


def labelled(image, text, position, colour):
    ImageDraw.Draw(image).text(position, text, fill=colour, font=ImageFont.load_default())
    return image


def guide_image(name):
    if name == "logo.jpg":
        image = vertical_gradient((160, 48), (26, 60, 110), (60, 100, 160))
        draw = ImageDraw.Draw(image)
        draw.ellipse([8, 8, 40, 40], outline=(255, 255, 255), width=3)
        draw.line([(14, 24), (34, 24)], fill=(255, 255, 255), width=3)
        return labelled(image, "NORVANE", (52, 12), (255, 255, 255))
    image = vertical_gradient((64, 24), (220, 228, 238), (150, 165, 190))
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, 63, 23], outline=(60, 80, 110))
    arrows = {
        "btn_prev.jpg": [(8, 12), (18, 5), (18, 19)],
        "btn_next.jpg": [(56, 12), (46, 5), (46, 19)],
        "btn_home.jpg": [(32, 4), (22, 13), (42, 13)],
    }
    draw.polygon(arrows[name], fill=(26, 60, 110))
    if name == "btn_home.jpg":
        draw.rectangle([25, 13, 39, 20], fill=(26, 60, 110))
    return image


def product_photo(number, rng):
    # A studio-style shot: a lit backdrop, a shadow, and a valve body whose shape varies.
    image = vertical_gradient((300, 225), (235, 235, 240), (170, 172, 180))
    draw = ImageDraw.Draw(image)
    body = tuple(rng.randrange(60, 200) for _ in range(3))
    draw.ellipse([60, 178, 240, 200], fill=(140, 140, 148))
    draw.rectangle([40, 100, 260, 130], fill=(150, 150, 160), outline=(90, 90, 100))
    shape = number % 3
    if shape == 0:
        draw.ellipse([100, 70, 200, 160], fill=body, outline=(40, 40, 40))
    elif shape == 1:
        draw.rectangle([105, 65, 195, 165], fill=body, outline=(40, 40, 40))
    else:
        draw.polygon([(150, 60), (205, 115), (150, 170), (95, 115)], fill=body, outline=(40, 40, 40))
    draw.rectangle([143, 30, 157, 70], fill=(70, 70, 75))
    draw.rectangle([150 - rng.randrange(20, 50), 22, 150 + rng.randrange(40, 80), 32], fill=(200, 40, 30))
    for _ in range(40):
        x, y = rng.randrange(300), rng.randrange(225)
        draw.point((x, y), fill=(255, 255, 255))
    return labelled(image, f"P{number:03d}", (8, 8), (40, 40, 60))


def application_photo(number, rng):
    # A plant-room scene: pipes across a wall with a few valves on them.
    image = vertical_gradient((240, 160), (120, 130, 140), (60, 64, 70))
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 130, 239, 159], fill=(90, 85, 80))
    for row in range(2 + number % 2):
        y = 30 + row * 35
        draw.rectangle([0, y, 239, y + 10], fill=(180, 120, 60), outline=(100, 60, 30))
        for _ in range(2):
            x = rng.randrange(20, 210)
            draw.rectangle([x, y - 6, x + 16, y + 16], fill=(200, 40, 30), outline=(60, 10, 10))
    return labelled(image, f"Application {number}", (6, 145), (230, 230, 230))


def save_jpeg(image, path):
    # Fixed encoder settings and no metadata, so the bytes depend on the drawing alone.
    image.save(path, "JPEG", quality=JPEG_QUALITY, optimize=False, progressive=False, subsampling=2)


def build_tree(root):
    """Writes the CD into root; returns the relative paths of the files written."""
    text_files = {
        "INST_FP/index.htm": index_page(),
        "INST_FP/catalog.css": catalog_css(),
        f"FP/HTML/{FRAME_PAGE}": frame_page(),
        f"FP/HTML/{MENU_PAGE}": menu_page(),
        f"FP/HTML/{TOP_PAGE}": top_page(),
        "FP/HTML/howto.htm": howto_page(),
    }
    for position, product in enumerate(PRODUCTS):
        text_files[f"FP/HTML/{product[0]}"] = product_page(position)

    images = {f"FP/HTML/guide_img/{name}": guide_image(name) for name in GUIDE_IMAGES}
    rng = random.Random(905)
    for number, name in enumerate(APP_IMAGES, start=1):
        images[f"FP/HTML/{APP_FOLDER}/{name}"] = application_photo(number, rng)
    for name in PHOTOS:
        images[f"FP/jpg/{name}"] = product_photo(int(name[1:4]), rng)

    written = []
    for relative, content in text_files.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="ascii", newline="\n") as out:
            out.write(content)
        written.append(relative)
    for relative, image in images.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        save_jpeg(image, path)
        written.append(relative)
    return sorted(written)


def add_installer(root, programs):
    """Puts the Windows programs from `programs` on the CD's root with AUTORUN.INF."""
    for name in INSTALLER_PROGRAMS:
        shutil.copyfile(os.path.join(programs, name), os.path.join(root, name))
    with open(os.path.join(root, "AUTORUN.INF"), "w", newline="") as autorun:
        autorun.write(AUTORUN)


def pin_metadata(root):
    for folder, _, files in os.walk(root, topdown=False):
        for name in files:
            path = os.path.join(folder, name)
            os.chmod(path, EXECUTABLE_MODE if name in INSTALLER_PROGRAMS else FILE_MODE)
            os.utime(path, (PINNED_TIME, PINNED_TIME))
        os.chmod(folder, FOLDER_MODE)
        os.utime(folder, (PINNED_TIME, PINNED_TIME))


def installed_path(relative):
    """Where a CD file lands under htdocs/Catalogs once the installer has copied it."""
    if relative.startswith("INST_FP/"):
        return relative[len("INST_FP/"):]
    return CATALOG_ID + "/" + relative[len("FP/"):]


class _References(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.found = []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value:
                self.found.append(value)


def check_links(root, written):
    """Fails when a page refers to a file the installed tree lacks, or a file is unreachable.

    Cheap insurance that edits to the page data above never ship a broken sample.
    """
    installed = {installed_path(relative): relative for relative in written}
    problems = []
    reached, pending = set(), ["index.htm"]
    while pending:
        current = pending.pop()
        if current in reached:
            continue
        reached.add(current)
        if not current.endswith(".htm"):
            continue
        parser = _References()
        with open(os.path.join(root, installed[current]), encoding="ascii") as page:
            parser.feed(page.read())
        for reference in parser.found:
            if ":" in reference or reference.startswith("/") or "#" in reference:
                problems.append(f"{installed[current]}: not a plain relative link: {reference}")
                continue
            target = posixpath.normpath(posixpath.join(posixpath.dirname(current), reference))
            if target not in installed:
                problems.append(f"{installed[current]}: broken link: {reference}")
            else:
                pending.append(target)
    problems += [f"{installed[path]}: not reachable from index.htm" for path in sorted(set(installed) - reached)]
    frames = [name for name in os.listdir(os.path.join(root, "FP/HTML")) if "fram" in name.lower()]
    if frames != [FRAME_PAGE]:
        problems.append(f"FP/HTML must hold exactly one name containing 'fram', has {frames}")
    if problems:
        raise RuntimeError("sample CD is inconsistent:\n  " + "\n  ".join(problems))


def main():
    parser = argparse.ArgumentParser(
        description="Write a sample catalog CD tree (catalog " + CATALOG_ID + ") into OUTDIR. "
        "The tree is identical on every run; the ISO image is not, as it records when it "
        "was mastered. OUTDIR is created; the script refuses to write into an OUTDIR that "
        "already has content.")
    parser.add_argument("outdir", metavar="OUTDIR", help="folder to create the CD tree in")
    parser.add_argument("--iso", metavar="FILE.iso",
                        help="also master the tree into an ISO 9660 image with Joliet and Rock Ridge names "
                             "(needs genisoimage; must not lie inside OUTDIR)")
    parser.add_argument("--catalog", metavar="FOLDER",
                        help="make the CD from this catalog folder (with INST_FP and FP) instead of the sample")
    parser.add_argument("--installer", metavar="FOLDER", default=os.path.join(ROOT, "build-win32", "bin"),
                        help="where the Windows programs are, for the disc's installer and its AUTORUN.INF "
                             "(default: the 32-bit build's build-win32/bin; left out where they are not built)")
    parser.add_argument("--no-installer", action="store_true", help="leave the Windows programs out")
    arguments = parser.parse_args()

    root = os.path.abspath(arguments.outdir)
    if os.path.exists(root) and (not os.path.isdir(root) or os.listdir(root)):
        sys.exit(f"make-sample-cd: {arguments.outdir} exists and is not an empty folder; refusing to write into it")
    iso = os.path.abspath(arguments.iso) if arguments.iso else None
    if iso and (iso + os.sep).startswith(root + os.sep):
        sys.exit("make-sample-cd: the ISO image must not lie inside OUTDIR")
    if iso and not shutil.which("genisoimage"):
        sys.exit("make-sample-cd: genisoimage not found (apt-get install genisoimage)")

    programs = None if arguments.no_installer else os.path.abspath(arguments.installer)
    if programs and not all(os.path.isfile(os.path.join(programs, name)) for name in INSTALLER_PROGRAMS):
        if arguments.installer != parser.get_default("installer"):
            sys.exit(f"make-sample-cd: {arguments.installer} lacks {' or '.join(INSTALLER_PROGRAMS)}")
        programs = None  # not built here: a CD without its installer
    try:
        os.makedirs(root, exist_ok=True)
        if arguments.catalog:
            for folder in ("INST_FP", "FP"):
                shutil.copytree(os.path.join(arguments.catalog, folder), os.path.join(root, folder))
            written = []
        else:
            written = build_tree(root)
        if programs:
            add_installer(root, programs)
        pin_metadata(root)
        if written:
            check_links(root, written)
    except (OSError, RuntimeError) as error:
        sys.exit(f"make-sample-cd: {error}")

    if iso:
        result = subprocess.run(
            ["genisoimage", "-quiet", "-J", "-R", "-V", CATALOG_ID, "-o", iso, root],
            stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit(f"make-sample-cd: genisoimage failed ({result.returncode}):\n{result.stderr.strip()}")

    print(f"{'catalog' if arguments.catalog else 'sample'} CD in {arguments.outdir}"
          + (f" with its installer from {programs}" if programs else " without an installer")
          + (f", image {arguments.iso}" if iso else ""), file=sys.stderr)


if __name__ == "__main__":
    main()
