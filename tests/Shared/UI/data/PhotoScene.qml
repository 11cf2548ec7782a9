import QtQuick
import Quillet.Shared

// The photo at the sizes the screens use and at the smallest one with a readable "in".
Rectangle {
    width: row.width
    height: row.height
    color: "white"

    property alias account: account
    property alias preview: preview
    property alias small: small

    Row {
        id: row
        padding: 10
        spacing: 10
        LinkedInProfilePhoto { id: account; size: 56 }
        LinkedInProfilePhoto { id: preview; size: 48 }
        LinkedInProfilePhoto { id: small; size: 20 }
    }
}
