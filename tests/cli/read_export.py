#!/usr/bin/python3
"""Reads an export back with Python's own parsers and prints its points, one "lat lon name" a
line, so the test sees the file as a standard reader does: read_export.py gpx|kml|geojson FILE"""
import json
import sys
import xml.etree.ElementTree as ElementTree

GPX = "{http://www.topografix.com/GPX/1/1}"
KML = "{http://www.opengis.net/kml/2.2}"


def gpx(path):
    root = ElementTree.parse(path).getroot()
    assert root.tag == GPX + "gpx" and root.get("version") == "1.1"
    for point in root.iter():
        if point.tag in (GPX + "trkpt", GPX + "wpt"):
            name = point.findtext(GPX + "name") or ""
            yield float(point.get("lat")), float(point.get("lon")), name


def kml(path):
    root = ElementTree.parse(path).getroot()
    assert root.tag == KML + "kml"
    for mark in root.iter(KML + "Placemark"):
        name = mark.findtext(KML + "name") or ""
        for text in mark.iter(KML + "coordinates"):
            for triple in text.text.split():
                lon, lat = triple.split(",")[:2]
                yield float(lat), float(lon), "" if name == "GPS log" else name


def geojson(path):
    with open(path, encoding="utf-8") as file:
        collection = json.load(file)
    assert collection["type"] == "FeatureCollection"
    for feature in collection["features"]:
        geometry = feature["geometry"]
        points = geometry["coordinates"]
        if geometry["type"] == "Point":
            points = [points]
        for lon, lat in points:
            yield lat, lon, feature["properties"].get("id", "")


READERS = {"gpx": gpx, "kml": kml, "geojson": geojson}

if __name__ == "__main__":
    for lat, lon, name in READERS[sys.argv[1]](sys.argv[2]):
        print(f"{lat:.6f} {lon:.6f} {name}".rstrip())
