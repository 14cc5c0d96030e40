#include "ShowBuilder.h"

#include "CShowTrack.h"
#include "KestDemoSystem.h"
#include "ShowEnvironment.h"

bool LoadedShow::Build(const ShowDescription& show, KestDemoSystem* demo, ShowEnvironment& environment) {
    bool ok = true;
    for (const ShowObject& object : show.objects) {
        CParamObject* made = nullptr;
        if (object.Is(ShowType::kEffect)) {
            made = demo->CreateEffect(object.type->name.c_str(), object.start, object.end, object.layer);
        } else if (object.Is(ShowType::kModifier)) {
            made = demo->CreateModifier(object.type->name.c_str());
        } else if (object.Is(ShowType::kTrack)) {
            m_tracks.push_back(std::make_unique<CShowTrack>(object.type->rows.front().kind == KDSKind::Vector, object.keys));
            made = m_tracks.back().get();
        }
        ok = ok && made;
        m_objects.push_back(made);
    }
    if (!ok) return false;
    for (size_t i = 0; i < show.objects.size(); ++i) {
        CParamObject* target = m_objects[i];
        const ShowObject& object = show.objects[i];
        for (const ShowValue& value : object.values) {
            const int index = value.param.index;
            if (value.how == ShowValue::kBinding) {
                CParamObject* source = value.object < 0 ? &demo->GetSystemParams() : m_objects[size_t(value.object)];
                const int channel = value.channel.index;
                switch (value.param.kind) {
                case KDSKind::String: target->BindString(index, source, channel); break;
                case KDSKind::Int: target->BindInt(index, source, channel); break;
                case KDSKind::Float: target->BindFloat(index, source, channel); break;
                case KDSKind::Vector: target->BindVector(index, source, channel); break;
                case KDSKind::Object: target->BindObject(index, source, channel); break;
                }
                continue;
            }
            switch (value.param.kind) {
            case KDSKind::String:
                m_strings.push_back(environment.ExpandPath(value.text));
                target->SetString(index, m_strings.back().c_str());
                break;
            case KDSKind::Int: target->SetInt(index, value.integer); break;
            case KDSKind::Float: target->SetFloat(index, value.number); break;
            case KDSKind::Vector: target->SetVector(index, value.vector); break;
            case KDSKind::Object: target->SetObject(index, m_objects[size_t(value.object)]); break;
            }
        }
    }
    demo->LimitDemoEnd(show.length);
    demo->ExtendDemoEnd(show.length);
    return true;
}
