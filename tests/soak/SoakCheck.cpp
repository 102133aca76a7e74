#include "SoakCheck.h"

#include <QFile>

namespace soak {

QString CheckAgainst(SoakControl& control, const EditModel& model, const QString& dir)
{
    const QString path = dir + QStringLiteral("/saved.raw");
    QFile::remove(path);
    bool ok = false;
    if (control.Call(DispSaveAs, {path, 3}, &ok) != QVariant(1) || !ok)
        return QStringLiteral("SaveAs did not answer 1");
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly))
        return QStringLiteral("SaveAs wrote no %1").arg(path);
    const QByteArray bytes = saved.readAll();
    const std::vector<uint8_t>& expected = model.Bytes();
    if (static_cast<std::size_t>(bytes.size()) != expected.size())
        return QStringLiteral("saved %1 bytes, the model has %2").arg(bytes.size()).arg(expected.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (static_cast<uint8_t>(bytes[i]) != expected[static_cast<std::size_t>(i)])
            return QStringLiteral("byte %1 of %2 is %3, the model has %4")
                .arg(i)
                .arg(bytes.size())
                .arg(static_cast<uint8_t>(bytes[i]))
                .arg(expected[static_cast<std::size_t>(i)]);

    const struct {
        const char* name;
        int32_t dispid;
        int32_t expected;
    } values[] = {
        {"WaveLength", DispWaveLength, model.Length()},
        {"SelectBegin", DispSelectBegin, model.SelBegin()},
        {"SelectEnd", DispSelectEnd, model.SelEnd()},
        {"CursorPos", DispCursorPos, model.Cursor()},
        {"Channels", DispChannels, model.Format().channels},
        {"SamplesPerSec", DispSamplesPerSec, model.Format().samplesPerSec},
        {"BitsPerSample", DispBitsPerSample, model.Format().bitsPerSample},
    };
    for (const auto& v : values)
        if (const int32_t got = control.GetInt(v.dispid); got != v.expected)
            return QStringLiteral("%1 is %2, the model has %3").arg(QLatin1String(v.name)).arg(got).arg(v.expected);

    const ViewGeometry view{control.GetInt(DispViewBegin), control.GetInt(DispViewEnd), 0};
    const ViewGeometry modelView = model.View(0);
    if (view.viewBegin != modelView.viewBegin || view.viewEnd != modelView.viewEnd)
        return QStringLiteral("view %1..%2, the model has %3..%4")
            .arg(view.viewBegin)
            .arg(view.viewEnd)
            .arg(modelView.viewBegin)
            .arg(modelView.viewEnd);
    if (view.viewBegin < 0 || view.viewBegin > view.viewEnd || view.viewEnd > model.Length())
        return QStringLiteral("view %1..%2 lies outside the document of %3 frames")
            .arg(view.viewBegin)
            .arg(view.viewEnd)
            .arg(model.Length());
    return QString();
}

QString LoadRawInto(SoakControl& control, EditModel& model, const QString& dir, std::vector<uint8_t> bytes,
                    const PcmFormat& format)
{
    const QString path = dir + QStringLiteral("/fixed.raw");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(path);
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();
    // The format properties take values only once the format is raw.
    if (control.GetInt(DispFormat) != 3)
        control.Call(DispLoad, {path, 3});
    control.Put(DispChannels, format.channels);
    control.Put(DispSamplesPerSec, format.samplesPerSec);
    control.Put(DispBitsPerSample, format.bitsPerSample);
    if (control.Call(DispLoad, {path, 3}) != QVariant(1))
        return QStringLiteral("Load did not answer 1");
    model.Load(std::move(bytes), format);
    return QString();
}

}  // namespace soak
