#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz corpora (all but the settings records)."""
import io
import os
import shutil
import subprocess
import tempfile
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
    plain = PROSE.replace("«", '"').replace("»", '"').replace("—", "-").replace("…", "...")
    for codec in ("koi8_r", "cp866", "iso8859_5", "cp855", "mac_cyrillic"):
        put("text_codec", codec + ".txt", plain.encode(codec))
    put("text_codec", "utf16le_nobom.txt", PROSE.encode("utf-16-le"))
    put("text_codec", "utf32be_nobom.txt", PROSE.encode("utf-32-be"))
    put("text_codec", "utf8_damaged.txt", PROSE.encode("utf-8")[:-1] + b"\xff" + PROSE.encode("utf-8"))
    put("text_codec", "controls.txt", b"a\x00b\x01c\x0bd\x0ce\x1bf\r\n")


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
    put("rtf", "notes_lists.rtf",
        r"{\rtf1\ansi{\fonttbl{\f2\fcharset2 Symbol;}}Text{\super\chftn{\*\footnote\chftn\pard note\par two}}"
        r" and{\footnote\ftnalt end{\footnote nested}}\par{\listtext\pard\plain 1.\tab}item\par"
        r"{\pntext\f2\'b7\tab}{\*\pn\pnlvlblt{\pntxtb\'b7}}old{\footnote cut")


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

    put("books", "broken.fb2",
        '<?xml version="1.0" encoding="utf-8"?><FictionBook><description><title-info>'
        "<book-title>Ромео & Джульетта</book-title></title-info></description><body><section>"
        "<p>Неизвестная&nbsp;сущность &hellip; <emphasis><strong>перепутано</emphasis></strong>"
        "</p><p>обрезано на полу")
    tiny = epub()
    put("books", "cut.epub", tiny[: tiny.index(b"PK\x01\x02") - 20])
    out = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(tiny)) as source, zipfile.ZipFile(out, "w") as z:
        for item in source.infolist():
            if item.filename != "META-INF/container.xml":
                z.writestr(item, source.read(item.filename))
    put("books", "no_container.epub", out.getvalue())
    content = (
        '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
        'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0">'
        '<office:font-face-decls><style:font-face style:name="S" svg:font-family="Symbol"/>'
        '</office:font-face-decls><office:automatic-styles><style:style style:name="T1" '
        'style:family="text"><style:text-properties style:font-name="S"/></style:style>'
        "</office:automatic-styles><office:body><office:text><text:tracked-changes>"
        "<text:changed-region><text:deletion><text:p>удалено</text:p></text:deletion>"
        "</text:changed-region></text:tracked-changes><text:h>Заголовок</text:h>"
        '<text:p>Сноска<text:note text:note-class="footnote"><text:note-citation>1</text:note-citation>'
        "<text:note-body><text:p>Текст сноски</text:p></text:note-body></text:note> и "
        '<text:span text:style-name="T1">\uf061</text:span><text:s text:c="2"/>'
        "<text:line-break/>конец</text:p></office:text></office:body></office:document-content>")
    put("books", "content.xml", content)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text")
        z.writestr("content.xml", content)
    put("books", "notes.odt", out.getvalue())
    put("books", "lists.xml",
        '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"><office:automatic-styles>'
        '<text:list-style style:name="L1"><text:list-level-style-number text:level="1" style:num-format="1" '
        'style:num-suffix="."/><text:list-level-style-number text:level="2" style:num-format="а, б, .., аа, аб, ... (ru)" '
        'text:display-levels="2" text:start-value="28"/><text:list-level-style-bullet text:level="3" '
        'text:bullet-char="\uf0b7"/></text:list-style><text:outline-style style:name="Outline">'
        '<text:outline-level-style text:level="1" style:num-format="I"/></text:outline-style>'
        '</office:automatic-styles><office:body><office:text><text:h text:outline-level="1">Глава</text:h>'
        '<text:list xml:id="a" text:style-name="L1"><text:list-header><text:p>шапка</text:p></text:list-header>'
        '<text:list-item><text:p>один</text:p><text:list><text:list-item><text:list><text:list-item>'
        '<text:p>точка</text:p></text:list-item></text:list></text:list-item></text:list></text:list-item>'
        '</text:list><text:list text:continue-list="a"><text:list-item text:start-value="99">'
        '<text:number>7.</text:number><text:p>дальше</text:p></text:list-item></text:list>'
        '</office:text></office:body></office:document-content>')


def docx():
    w = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
    mc = 'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"'
    numbering = (
        f'<w:numbering {w}><w:abstractNum w:abstractNumId="0"><w:lvl w:ilvl="0"><w:start w:val="1"/>'
        '<w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/></w:lvl><w:lvl w:ilvl="1">'
        '<w:numFmt w:val="russianLower"/><w:lvlText w:val="%1.%2)"/></w:lvl></w:abstractNum>'
        '<w:abstractNum w:abstractNumId="1"><w:lvl w:ilvl="0"><w:numFmt w:val="bullet"/>'
        '<w:lvlText w:val="\uf0b7"/><w:rPr><w:rFonts w:ascii="Symbol"/></w:rPr></w:lvl></w:abstractNum>'
        '<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num><w:num w:numId="2"><w:abstractNumId w:val="1"/>'
        '<w:lvlOverride w:ilvl="0"><w:startOverride w:val="5"/></w:lvlOverride></w:num></w:numbering>')
    notes = (f'<w:footnotes {w}><w:footnote w:id="0" w:type="separator"><w:p><w:r><w:separator/></w:r></w:p>'
             '</w:footnote><w:footnote w:id="1"><w:p><w:r><w:footnoteRef/><w:t>Сноска.</w:t></w:r></w:p>'
             '</w:footnote></w:footnotes>')
    styles = (f'<w:styles {w}><w:style w:type="paragraph" w:styleId="L"><w:basedOn w:val="N"/><w:pPr><w:numPr>'
              '<w:numId w:val="1"/></w:numPr></w:pPr></w:style></w:styles>')
    body = (f'<w:document {w} {mc}><w:body><w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/>'
            '</w:numPr></w:pPr><w:r><w:t>Мама</w:t></w:r><w:del><w:r><w:delText>x</w:delText></w:r></w:del>'
            '<w:ins><w:r><w:t> мыла</w:t></w:r></w:ins><w:r><w:footnoteReference w:id="1"/></w:r></w:p>'
            '<w:p><w:pPr><w:pStyle w:val="L"/><w:numPr><w:ilvl w:val="1"/></w:numPr></w:pPr><w:r>'
            '<w:fldChar w:fldCharType="begin"/><w:instrText>PAGE</w:instrText><w:fldChar w:fldCharType="separate"/>'
            '<w:t>7</w:t><w:fldChar w:fldCharType="end"/><w:tab/><w:sym w:font="Symbol" w:char="F061"/><w:br/>'
            '<w:t>раму</w:t></w:r></w:p><w:p><w:pPr><w:numPr><w:numId w:val="2"/></w:numPr></w:pPr><w:r>'
            '<mc:AlternateContent><mc:Choice Requires="wps"><w:txbxContent><w:p><w:r><w:t>рамка</w:t></w:r></w:p>'
            '</w:txbxContent></mc:Choice><mc:Fallback><w:txbxContent><w:p><w:r><w:t>рамка</w:t></w:r></w:p>'
            '</w:txbxContent></mc:Fallback></mc:AlternateContent></w:r></w:p><w:tbl><w:tr><w:tc><w:p><w:r>'
            '<w:t>ячейка</w:t></w:r></w:p></w:tc></w:tr></w:tbl></w:body></w:document>')
    put("docx", "document.xml", body + numbering + notes + styles)
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    rels = '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{}</Relationships>'
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<Types><Override PartName="/word/document.xml" ContentType='
                   '"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
        z.writestr("_rels/.rels", rels.format(f'<Relationship Id="r" Type="{rel}officeDocument" '
                                              'Target="word/document.xml"/>'))
        z.writestr("word/_rels/document.xml.rels", rels.format(
            f'<Relationship Id="a" Type="{rel}footnotes" Target="footnotes.xml"/>'
            f'<Relationship Id="b" Type="{rel}numbering" Target="numbering.xml"/>'
            f'<Relationship Id="c" Type="{rel}styles" Target="/word/styles.xml"/>'))
        z.writestr("word/document.xml", body)
        z.writestr("word/footnotes.xml", notes)
        z.writestr("word/numbering.xml", numbering)
        z.writestr("word/styles.xml", styles)
    put("docx", "package.docx", out.getvalue())


def pdf(lines):
    """A one-page PDF with its text in Helvetica, xref offsets computed."""
    stream = "BT /F1 12 Tf 20 180 Td " + " 0 -14 Td ".join("(%s) Tj" % l for l in lines) + " ET"
    objects = [
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length %d >>\nstream\n%s\nendstream" % (len(stream), stream),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body.encode("latin-1"))
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return out


def djvu(text):
    """A blank bitonal page with hidden text, made with the DjVuLibre tools when present."""
    if not (shutil.which("cjb2") and shutil.which("djvused")):
        return None
    with tempfile.TemporaryDirectory() as work:
        pbm = os.path.join(work, "p.pbm")
        with open(pbm, "wb") as f:
            f.write(b"P4\n64 64\n" + bytes(8 * 64))
        page = os.path.join(work, "p.djvu")
        subprocess.run(["cjb2", pbm, page], check=True)
        if text:
            sxp = os.path.join(work, "t.sxp")
            with open(sxp, "w", encoding="utf-8") as f:
                f.write(text)
            subprocess.run(["djvused", "-s", "-e", "select 1; set-txt " + sxp, page], check=True)
        with open(page, "rb") as f:
            return f.read()


def pages():
    put("pages", "text.pdf", pdf(["Page 7", "First line of a para-", "graph, and its end.", "12"]))
    put("pages", "empty.pdf", pdf([]))
    put("pages", "cut.pdf", pdf(["Cut short"])[:200])
    for name, text in (
        ("text.djvu", '(page 0 0 64 64 (para 0 32 64 64 (line 0 48 64 64 "Строка пере-") '
                      '(line 0 32 40 47 "нос.")) (line 0 0 64 16 "строка без абзаца"))'),
        ("scan.djvu", None),
    ):
        data = djvu(text)
        if data:
            put("pages", name, data)


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
    docx()
    pages()
    chunker()
