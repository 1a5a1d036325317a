#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz corpora (all but the settings records)."""
import io
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROSE = "Мама мыла раму. Папа читал газету, а кот — спал!\nЁлка «зелёная»… Что-то (где-то) есть?\n"


def put(folder, name, data):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def text_codec():
    crlf = PROSE.replace("\n", "\r\n")
    put("text_codec", "utf8.txt", PROSE)
    put("text_codec", "utf8_bom.txt", b"\xef\xbb\xbf" + crlf.encode("utf-8"))
    put("text_codec", "cp1251.txt", crlf.encode("cp1251"))
    put("text_codec", "utf16le.txt", b"\xff\xfe" + PROSE.encode("utf-16-le"))
    put("text_codec", "utf16be.txt", b"\xfe\xff" + crlf.encode("utf-16-be"))
    put("text_codec", "ascii_mixed_ends.txt", b"one\r\ntwo\rthree\n\r\nfour\tfive")
    put("text_codec", "emoji_utf8.txt", "Книга 📖 и ноты ♪\n")


def rtf():
    put("rtf", "plain.rtf", r"{\rtf1\ansi Hello {\b bold} and {\i italic}.\par Second\line line\par}")
    put("rtf", "cp1251.rtf",
        r"{\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fswiss\fcharset204 Arial;}"
        r"{\f1\fmodern\fcharset0 Courier New;}}{\colortbl ;\red200\green0\blue0;}"
        "\r\n"
        r"\pard\qc\fs28\cf1 \'cf\'f0\'e8\'e2\'e5\'f2\cf0\par"
        "\r\n"
        r"\pard\li720\fi-360\ul\strike \u1084?\u1080?\u1088?\ulnone\strike0{\f1 code}\tab x\par}")
    put("rtf", "objects.rtf",
        r"{\rtf1\uc2{\*\generator g;}{\info{\title t}}"
        r"\trowd\cellx1000\cellx2000 a\cell b\cell\row"
        r"{\pict\pngblip\picw2\pich2 89504e47}{\field{\*\fldinst HYPERLINK x}{\fldrslt link}}"
        r"{\object\objdata 0102\bin3 abc}\u-3913\'a0\'a0 end\par}")
    put("rtf", "not_rtf.txt", b"plain text, not rtf")
    put("rtf", "damaged.rtf", r"{\rtf1{{{\b unclosed \'e9\u\par")


def books():
    put("books", "book.fb2",
        '<?xml version="1.0" encoding="utf-8"?>\n'
        '<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0" '
        'xmlns:l="http://www.w3.org/1999/xlink">'
        "<description><title-info><book-title>Заглавие</book-title></title-info></description>"
        "<body><title><p>Глава 1</p></title><section><p>Первый абзац<a l:href=\"#n1\" type=\"note\">1</a>.</p>"
        "<empty-line/><poem><stanza><v>Строка стиха</v></stanza></poem>"
        "<p>Второй&#160;абзац &amp; <emphasis>курсив</emphasis></p><image l:href=\"#pic\"/></section></body>"
        '<body name="notes"><section id="n1"><p>Сноска</p></section></body>'
        '<binary id="pic" content-type="image/png">iVBORw0KGgo=</binary></FictionBook>')
    put("books", "book1251.fb2",
        '<?xml version="1.0" encoding="windows-1251"?><FictionBook><body><section>'
        "<p>Текст в кодировке 1251</p></section></body></FictionBook>".encode("cp1251"))
    put("books", "page.html",
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>T</title>"
        "<style>p{color:red}</style><script>var a='<p>';</script></head><body>"
        "<h1>Заголовок</h1><p>Абзац&nbsp;с &laquo;кавычками&raquo; и &#x2014; тире &#151;.</p>"
        "<div>Блок<br>строка<br/>ещё</div><!-- комментарий --><ul><li>один<li>два</ul>"
        "<pre>  код\n  ещё</pre><p>мяг&shy;кий пе\u00adренос</p></body></html>")
    put("books", "page1251.html",
        '<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1251">'
        "</head><body><p>Привет, мир</p><p>&#1055;&#1088;&#1080;</p></body></html>".encode("cp1251"))
    put("books", "plain_fragment.html", "текст без разметки <b>жирный</b>\n\nдальше &unknown; &#0; &#xFFFFFF;")

    def epub():
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip")
            z.writestr("META-INF/container.xml",
                       '<?xml version="1.0"?><container version="1.0" '
                       'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
                       '<rootfile full-path="OEBPS/content.opf" '
                       'media-type="application/oebps-package+xml"/></rootfiles></container>')
            z.writestr("OEBPS/content.opf",
                       '<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="2.0">'
                       '<manifest><item id="c1" href="text/ch%201.xhtml" media-type="application/xhtml+xml"/>'
                       '<item id="c2" href="text/ch2.xhtml#top" media-type="application/xhtml+xml"/>'
                       '<item id="img" href="p.png" media-type="image/png"/></manifest>'
                       '<spine><itemref idref="c2" linear="no"/><itemref idref="c1"/>'
                       '<itemref idref="img"/><itemref idref="c2"/></spine></package>')
            z.writestr("OEBPS/text/ch 1.xhtml",
                       '<html xmlns="http://www.w3.org/1999/xhtml"><body><p>Первая глава.</p></body></html>')
            z.writestr("OEBPS/text/ch2.xhtml",
                       '<html xmlns="http://www.w3.org/1999/xhtml"><body><p>Вторая глава.</p></body></html>')
        return out.getvalue()

    put("books", "tiny.epub", epub())
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("book.fb2", "<FictionBook><body><p>Книга в архиве</p></body></FictionBook>")
    put("books", "book.fb2.zip", out.getvalue())


def chunker():
    # options, row capacity (-3 + byte % 64), row length (1 + byte % 50), text
    def seed(name, options, capacity, length, text):
        put("chunker", name, bytes([options, capacity + 3, length - 1]) + text.encode("utf-8"))

    seed("smart_pause", 0b0010001, 20, 10, PROSE)
    seed("no_signs_delmin", 0b0100010, 60, 50, "пере-\nнос слова и дефис-\n\n  много   пробелов\t\tтабы\n")
    seed("endless_short", 0b1000011, 20, 10, "Раз два.")
    seed("tiny_capacity", 0b0001101, -2, 1, "Длинноеслововстроке сорок-два-три ab-cdefgh")
    seed("only_hyphens", 0b1100000, 5, 5, "-\n-\n-\n")
    seed("beyond_basic_plane", 0b0000011, 10, 50, "a" + "😀" * 12 + " b 📖📖-📖📖📖📖📖📖📖📖📖 ♪\n")


if __name__ == "__main__":
    text_codec()
    rtf()
    books()
    chunker()
