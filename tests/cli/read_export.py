#!/usr/bin/python3
"""Reads an export back with Python's own parsers and prints its points, one
"lat lon name time value1 value2" a line (what a point lacks left out), so the test sees the
file as a standard reader does: read_export.py gpx|kml|geojson FILE. GPX and KML are first
checked well-formed by xmllint --noout."""
import json
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

GPX = "{http://www.topografix.com/GPX/1/1}"
LOG = "{urn:gpstracking:log-values}"
KML = "{http://www.opengis.net/kml/2.2}"


def gpx(path):
    root = ElementTree.parse(path).getroot()
    assert root.tag == GPX + "gpx" and root.get("version") == "1.1"
    for point in root.iter():
        if point.tag in (GPX + "trkpt", GPX + "wpt"):
            yield (float(point.get("lat")), float(point.get("lon")),
                   point.findtext(GPX + "name") or "", point.findtext(GPX + "time") or "",
                   point.findtext(f"{GPX}extensions/{LOG}value1") or "",
                   point.findtext(f"{GPX}extensions/{LOG}value2") or "")


def kml_point(mark):
    lon, lat = mark.findtext(f"{KML}Point/{KML}coordinates").split(",")[:2]
    values = {d.get("name"): d.findtext(KML + "value") for d in mark.iter(KML + "Data")}
    return (float(lat), float(lon), mark.findtext(KML + "name") or "",
            mark.findtext(f"{KML}TimeStamp/{KML}when") or "", values.get("value1", ""),
            values.get("value2", ""))


def kml(path):
    root = ElementTree.parse(path).getroot()
    assert root.tag == KML + "kml"
    document = root.find(KML + "Document")
    line = document.find(f"{KML}Placemark/{KML}LineString/{KML}coordinates")
    if line is None:
        # A table's locations, or a track of one position: its Point in the positions' folder.
        marks = document.findall(KML + "Placemark") + document.findall(f"{KML}Folder/{KML}Placemark")
        for mark in marks:
            yield kml_point(mark)
        return
    # A track: the line, and the same positions one by one with their times and values.
    marks = document.findall(f"{KML}Folder/{KML}Placemark")
    along = [tuple(float(c) for c in triple.split(",")[:2]) for triple in line.text.split()]
    points = [kml_point(mark) for mark in marks]
    assert along == [(lon, lat) for lat, lon, *_ in points], "the line and its positions differ"
    yield from points


def one_decimal(value):
    return "" if value is None else f"{value:.1f}"


def geojson(path):
    with open(path, encoding="utf-8") as file:
        collection = json.load(file)
    assert collection["type"] == "FeatureCollection"
    for feature in collection["features"]:
        geometry, properties = feature["geometry"], feature["properties"]
        if geometry["type"] == "Point":
            # A table's location, or a track of one position with its time and values.
            lon, lat = geometry["coordinates"]
            yield (lat, lon, properties.get("id", ""), properties.get("time", ""),
                   one_decimal(properties.get("value1")), one_decimal(properties.get("value2")))
            continue
        rows = zip(geometry["coordinates"], properties["times"], properties["value1"],
                   properties["value2"], strict=True)
        for (lon, lat), time, value1, value2 in rows:
            yield lat, lon, "", time, one_decimal(value1), one_decimal(value2)


READERS = {"gpx": gpx, "kml": kml, "geojson": geojson}

if __name__ == "__main__":
    kind, path = sys.argv[1], sys.argv[2]
    if kind != "geojson":
        subprocess.run(["xmllint", "--noout", path], check=True)
    for lat, lon, *rest in READERS[kind](path):
        print(" ".join([f"{lat:.6f}", f"{lon:.6f}"] + [r for r in rest if r]))
